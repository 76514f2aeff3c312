// Line search and control writer against Wine's winmm.
#include "host.h"

#include <cstring>

typedef LONG(WINAPI* SetMixerFn)(DWORD, LONG, LONG, LPCSTR, LONG);
typedef LONG(WINAPI* LocateControlFn)(DWORD, LONG, HMIXER, LONG);
typedef LONG(WINAPI* GetPeakFn)(DWORD);

HOST_TEST(wine_has_master_volume) {
    CHECK(mixerGetNumDevs() >= 1);
    MIXERCAPSA caps;
    CHECK_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    CHECK(std::strcmp(caps.szPname, "Out: default") == 0);
    CHECK(FindMasterControls().ok);
}

HOST_TEST(set_mixer_main_volume_matches_direct_write) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = DirectValue(m.volume, 0);
    const LONG levels[] = {20000, 45000, 0, 65535};
    for (LONG v : levels) {
        // What a direct one-channel write of v leaves behind...
        CHECK(DirectWrite(m.volume, v));
        const LONG direct = DirectValue(m.volume, -1);
        CHECK(DirectWrite(m.volume, 12345));
        // ... is what the library's write leaves behind.
        CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 2, v, "", 0), 1);
        CHECK_EQ(DirectValue(m.volume, -1), direct);
    }
    DirectWrite(m.volume, saved);
}

HOST_TEST(set_mixer_main_mute_toggles) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = DirectValue(m.mute, 0);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 7, 5, "", 0), 1);
    CHECK_EQ(DirectValue(m.mute, -1), 1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 7, 0, "", 0), 1);
    CHECK_EQ(DirectValue(m.mute, -1), 0);
    DirectWrite(m.mute, saved);
}

HOST_TEST(set_mixer_by_name_is_exact) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG saved = DirectValue(m.volume, 0);
    CHECK(DirectWrite(m.volume, 1000));
    CHECK_EQ(setMixer(0, 2, 30000, "Master Volume", 1), 1);
    const LONG after = DirectValue(m.volume, -1);
    CHECK(after >= 29999 && after <= 30000);  // Wine keeps the level as a float
    CHECK_EQ(setMixer(0, 2, 5000, "master volume", 1), 0);
    CHECK_EQ(setMixer(0, 2, 5000, "Master", 1), 0);
    CHECK_EQ(DirectValue(m.volume, -1), after);
    DirectWrite(m.volume, saved);
}

HOST_TEST(absent_lines_change_nothing) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    SetMixerFn setMixer = Fn<SetMixerFn>("SetMixer");
    const LONG vol = DirectValue(m.volume, -1);
    const LONG mute = DirectValue(m.mute, -1);
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_LINE, 1, 777, "", 0), 0);      // no line-in
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 3, 1, "", 0), 0);  // no wave-in destination here
    CHECK_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, 1, 777, "", 0), 0);  // source code, destination type
    CHECK_EQ(setMixer(0, 1, 777, nullptr, 1), 0);                                 // null name
    CHECK_EQ(DirectValue(m.volume, -1), vol);
    CHECK_EQ(DirectValue(m.mute, -1), mute);
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
    LocateControlFn locate = Fn<LocateControlFn>("LocateControl");
    HMIXER h = OpenDevice0Handle();
    CHECK(h != nullptr);
    const LONG saved = DirectValue(m.volume, 0);
    CHECK_EQ(locate(m.lineId, 22000, h, 2), 1);
    const LONG after = DirectValue(m.volume, -1);
    CHECK(after >= 21999 && after <= 22000);
    CHECK_EQ(locate(0x7777, 22000, h, 2), MIXERR_INVALLINE);
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
        CHECK_EQ(locate(m.lineId, 33000, bad, 2), MMSYSERR_INVALHANDLE);
        CHECK_EQ(DirectValue(m.volume, -1), after);
        mixerClose(bad);
    } else {
        std::printf("  every handle names a device here\n");
    }
    DirectWrite(m.volume, saved);
}
