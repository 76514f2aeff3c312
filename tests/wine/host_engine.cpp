// Line search and control writer against Wine's winmm.
#include "host.h"

#include <cstring>
#include <vector>

HOST_TEST(wine_has_master_volume) {
    CHECK(mixerGetNumDevs() >= 1);
    MIXERCAPSA caps;
    CHECK_RESULT(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    CHECK(std::strcmp(caps.szPname, "Out: default") == 0);
    CHECK(FindMasterControls().ok);
}

HOST_TEST(set_mixer_main_volume_matches_direct_write) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.volume, 0);
    const LONG levels[] = {20000, 45000, 0, 65535};
    for (LONG v : levels) {
        // What a direct one-channel write of v leaves behind...
        CHECK(DirectWrite(m.volume, v));
        const LONG direct = DirectValue(m.volume, -1);
        CHECK(DirectWrite(m.volume, 12345));
        // ... is what the library's write leaves behind.
        CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_MAIN_VOLUME, v, "", 0), 1);
        CHECK_EQ(DirectValue(m.volume, -1), direct);
    }
    DirectWrite(m.volume, saved);
}

HOST_TEST(set_mixer_main_mute_toggles) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.mute, 0);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_MAIN_MUTE, 5, "", 0), 1);
    CHECK_EQ(DirectValue(m.mute, -1), 1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_MAIN_MUTE, 0, "", 0), 1);
    CHECK_EQ(DirectValue(m.mute, -1), 0);
    DirectWrite(m.mute, saved);
}

HOST_TEST(set_mixer_by_name_is_exact) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.volume, 0);
    CHECK(DirectWrite(m.volume, 1000));
    CHECK_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 30000, "Master Volume", 1), 1);
    const LONG after = DirectValue(m.volume, -1);
    CHECK(after >= 29999 && after <= 30000);  // Wine keeps the level as a float
    CHECK_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 5000, "master volume", 1), 0);
    CHECK_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 5000, "Master", 1), 0);
    CHECK_EQ(DirectValue(m.volume, -1), after);
    DirectWrite(m.volume, saved);
}

HOST_TEST(absent_lines_change_nothing) {
    const RecordingControls rec = FindRecordingControls();
    if (!rec.ok) return CHECK(rec.ok);
    const auto setMixer = CALL(SetMixer);
    const std::vector<DeviceLevels> before = ReadEveryDestination();
    // No line-in on device 0 or on the recording endpoint; no microphone
    // boost there; a source's code with a destination's type; a null name; a
    // name that differs from the endpoint's source in case only.
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXER_OP_PLAY_VOLUME, 777, "", 0), 0);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXER_OP_REC_MUTE, 1, "", 0), 0);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_BOOST, 1, "", 0), 1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_PLAY_VOLUME, 777, "", 0), 0);
    CHECK_EQ(setMixer(0, MIXER_OP_PLAY_VOLUME, 777, nullptr, 1), 0);
    CHECK_EQ(setMixer(0, MIXER_OP_REC_VOLUME, 777, "master volume", 1), 0);
    CHECK_LEVELS_KEPT(before, kNoDevice);
}

HOST_TEST(set_mixer_finds_recording_lines_on_the_endpoint) {
    // Device 0 has no wave-in destination: the recording microphone, by its
    // type or by the name Wine gives it, is the recording endpoint's, whose
    // destination's level and mute stand in for the source's.
    const RecordingControls rec = FindRecordingControls();
    if (!rec.ok) return CHECK(rec.ok);
    const auto setMixer = CALL(SetMixer);
    const std::vector<DeviceLevels> saved = ReadEveryDestination();
    CHECK(DeviceWrite(rec.device, rec.destination.mute, 0));
    const std::vector<DeviceLevels> before = ReadEveryDestination();
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_VOLUME, 257 * 30, "", 0), 1);
    CHECK_EQ(DeviceValue(rec.device, rec.destination.volume), 257 * 30);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_MUTE, 1, "", 0), 1);
    CHECK_EQ(DeviceValue(rec.device, rec.destination.mute), 1);
    CHECK_EQ(setMixer(0, MIXER_OP_REC_VOLUME, 257 * 60, "Master Volume", 1), 1);
    CHECK_EQ(DeviceValue(rec.device, rec.destination.volume), 257 * 60);
    CHECK_LEVELS_KEPT(before, rec.device);
    RestoreLevels(saved);
}

namespace {

// A handle of the host's own that names device 0. Wine numbers handles from
// a counter that never goes down, and only some of them name device 0
// (the first 256 opens of a process, then 256 of every 16384): after the
// checks before this one, the next open may give one that names another
// device or none, and so opening goes on until the handle says device 0.
HMIXER OpenDevice0Handle() {
    for (long i = 0; i < 70000; ++i) {
        HMIXER h = nullptr;
        if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return nullptr;
        UINT id = 99;
        if (mixerGetID(reinterpret_cast<HMIXEROBJ>(h), &id, MIXER_OBJECTF_HMIXER) == MMSYSERR_NOERROR && id == 0)
            return h;
        mixerClose(h);
    }
    return nullptr;
}

}  // namespace

HOST_TEST(locate_control_on_destination_line) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    const auto locate = CALL(LocateControl);
    HMIXER h = OpenDevice0Handle();
    CHECK(h != nullptr);
    const LONG saved = DirectValue(m.volume, 0);
    CHECK_EQ(locate(m.lineId, 22000, h, MIXER_OP_MAIN_VOLUME), 1);
    const LONG after = DirectValue(m.volume, -1);
    CHECK(after >= 21999 && after <= 22000);
    CHECK_RESULT(locate(0x7777, 22000, h, MIXER_OP_MAIN_VOLUME), MIXERR_INVALLINE);
    mixerClose(h);

    // The host's handle is used as given: one that names no device (Wine's
    // from the 257th open on) gets the platform's answer, and nothing changes.
    HMIXER bad = nullptr;
    for (long i = 0; i < 70000 && bad == nullptr; ++i) {
        HMIXER next = nullptr;
        if (mixerOpen(&next, 0, 0, 0, 0) != MMSYSERR_NOERROR) break;
        UINT id = 0;
        if (mixerGetID(reinterpret_cast<HMIXEROBJ>(next), &id, MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR)
            bad = next;
        else
            mixerClose(next);
    }
    if (bad != nullptr) {
        CHECK_RESULT(locate(m.lineId, 33000, bad, MIXER_OP_MAIN_VOLUME), MMSYSERR_INVALHANDLE);
        CHECK_EQ(DirectValue(m.volume, -1), after);
        mixerClose(bad);
    } else {
        std::printf("  every handle names a device here\n");
    }
    DirectWrite(m.volume, saved);
}
