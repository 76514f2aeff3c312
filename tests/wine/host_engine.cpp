// Line search and control writer against Wine's winmm.
#include "host.h"

#include <cstring>
#include <vector>

TEST(Engine, WineHasMasterVolume) {
    EXPECT_GE(mixerGetNumDevs(), 1u);
    MIXERCAPSA caps;
    EXPECT_RESULT(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Out: default");
    EXPECT_TRUE(FindMasterControls().ok);
}

TEST(Engine, SetMixerMainVolumeMatchesDirectWrite) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.volume, 0);
    for (LONG v : {20000, 45000, 0, 65535}) {
        SCOPED_TRACE("level " + std::to_string(v));
        // What a direct one-channel write of v leaves behind...
        EXPECT_TRUE(DirectWrite(m.volume, v));
        const LONG direct = DirectValue(m.volume, -1);
        EXPECT_TRUE(DirectWrite(m.volume, 12345));
        // ... is what the library's write leaves behind.
        EXPECT_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_MAIN_VOLUME, v, "", 0), 1);
        EXPECT_EQ(DirectValue(m.volume, -1), direct);
    }
    DirectWrite(m.volume, saved);
}

TEST(Engine, SetMixerMainMuteToggles) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.mute, 0);
    const struct {
        LONG value, want;
    } rows[] = {{5, 1}, {0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE("mute " + std::to_string(row.value));
        EXPECT_EQ(setMixer(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_MAIN_MUTE, row.value, "", 0), 1);
        EXPECT_EQ(DirectValue(m.mute, -1), row.want);
    }
    DirectWrite(m.mute, saved);
}

TEST(Engine, SetMixerByNameIsExact) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto setMixer = CALL(SetMixer);
    const LONG saved = DirectValue(m.volume, 0);
    EXPECT_TRUE(DirectWrite(m.volume, 1000));
    EXPECT_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 30000, "Master Volume", 1), 1);
    const LONG after = DirectValue(m.volume, -1);
    EXPECT_TRUE(NearLevel(after, 30000)) << after;  // Wine keeps the level as a float
    EXPECT_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 5000, "master volume", 1), 0);
    EXPECT_EQ(setMixer(0, MIXER_OP_MAIN_VOLUME, 5000, "Master", 1), 0);
    EXPECT_EQ(DirectValue(m.volume, -1), after);
    DirectWrite(m.volume, saved);
}

TEST(Engine, AbsentLinesChangeNothing) {
    const RecordingControls rec = FindRecordingControls();
    ASSERT_TRUE(rec.ok);
    const auto setMixer = CALL(SetMixer);
    const std::vector<DeviceLevels> before = ReadEveryDestination();
    // No line-in on device 0 or on the recording endpoint; no microphone
    // boost there; a source's code with a destination's type; a null name; a
    // name that differs from the endpoint's source in case only.
    const struct {
        DWORD type;
        LONG op, value;
        const char* name;
        LONG byName, want;
    } calls[] = {{MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXER_OP_PLAY_VOLUME, 777, "", 0, 0},
                 {MIXERLINE_COMPONENTTYPE_SRC_LINE, MIXER_OP_REC_MUTE, 1, "", 0, 0},
                 {MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_BOOST, 1, "", 0, 1},
                 {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXER_OP_PLAY_VOLUME, 777, "", 0, 0},
                 {0, MIXER_OP_PLAY_VOLUME, 777, nullptr, 1, 0},
                 {0, MIXER_OP_REC_VOLUME, 777, "master volume", 1, 0}};
    for (const auto& c : calls) {
        SCOPED_TRACE(ComponentTypeText(c.type) + ", operation " + std::to_string(c.op) + ", name " +
                     (c.name ? "\"" + std::string(c.name) + "\"" : std::string("null")));
        EXPECT_EQ(setMixer(c.type, c.op, c.value, c.name, c.byName), c.want);
    }
    EXPECT_LEVELS_KEPT(before, kNoDevice);
}

TEST(Engine, SetMixerFindsRecordingLinesOnTheEndpoint) {
    // Device 0 has no wave-in destination: the recording microphone, by its
    // type or by the name Wine gives it, is the recording endpoint's, whose
    // destination's level and mute stand in for the source's.
    const RecordingControls rec = FindRecordingControls();
    ASSERT_TRUE(rec.ok);
    const auto setMixer = CALL(SetMixer);
    const std::vector<DeviceLevels> saved = ReadEveryDestination();
    EXPECT_TRUE(DeviceWrite(rec.device, rec.destination.mute, 0));
    const std::vector<DeviceLevels> before = ReadEveryDestination();
    EXPECT_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_VOLUME, 257 * 30, "", 0), 1);
    EXPECT_EQ(DeviceValue(rec.device, rec.destination.volume), 257 * 30);
    EXPECT_EQ(setMixer(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, MIXER_OP_REC_MUTE, 1, "", 0), 1);
    EXPECT_EQ(DeviceValue(rec.device, rec.destination.mute), 1);
    EXPECT_EQ(setMixer(0, MIXER_OP_REC_VOLUME, 257 * 60, "Master Volume", 1), 1);
    EXPECT_EQ(DeviceValue(rec.device, rec.destination.volume), 257 * 60);
    EXPECT_LEVELS_KEPT(before, rec.device);
    RestoreLevels(saved);
}

namespace {

// The first of the next `limit` opens of device 0 whose handle answers
// mixerGetID as `named` says: with a device identifier of 0 (named) or with
// an error (!named). Wine numbers handles from a counter that never goes
// down, and only some of them name device 0 (the first 256 opens of a
// process, then 256 of every 16384); the others name another device or none.
HMIXER OpenUntil(bool named, long limit = 70000) {
    for (long i = 0; i < limit; ++i) {
        HMIXER h = nullptr;
        if (mixerOpen(&h, 0, 0, 0, 0) != MMSYSERR_NOERROR) return nullptr;
        UINT id = 99;
        const bool answers = mixerGetID(reinterpret_cast<HMIXEROBJ>(h), &id, MIXER_OBJECTF_HMIXER) == MMSYSERR_NOERROR;
        if (named ? answers && id == 0 : !answers) return h;
        mixerClose(h);
    }
    return nullptr;
}

}  // namespace

TEST(Engine, LocateControlOnDestinationLine) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto locate = CALL(LocateControl);
    // A handle of the host's own that names device 0.
    HMIXER h = OpenUntil(true);
    EXPECT_NE(h, nullptr);
    const LONG saved = DirectValue(m.volume, 0);
    EXPECT_EQ(locate(m.lineId, 22000, h, MIXER_OP_MAIN_VOLUME), 1);
    const LONG after = DirectValue(m.volume, -1);
    EXPECT_TRUE(NearLevel(after, 22000)) << after;
    EXPECT_RESULT(locate(0x7777, 22000, h, MIXER_OP_MAIN_VOLUME), MIXERR_INVALLINE);
    mixerClose(h);

    // The host's handle is used as given: one that names no device (Wine's
    // from the 257th open on) gets the platform's answer, and nothing changes.
    HMIXER bad = OpenUntil(false);
    if (bad != nullptr) {
        EXPECT_RESULT(locate(m.lineId, 33000, bad, MIXER_OP_MAIN_VOLUME), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(DirectValue(m.volume, -1), after);
        mixerClose(bad);
    } else {
        std::printf("  every handle names a device here\n");
    }
    DirectWrite(m.volume, saved);
}
