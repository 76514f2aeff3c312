// A host that keeps MIXER.DLL loaded and calls it many times a second, under
// Wine: its mixer handles come from a counter that never goes down (from the
// 256th open of a process they name another device or none), and it keeps a
// level as a float (a written level may read back one lower). These tests
// are "Solo" ones, started by ctests of their own (wine_tests.cmake).
//
// A level is checked exactly: the table below holds, for every level the
// checks write, what a direct write of it by device identifier leaves, and a
// write through the library must leave the same.
#include "host.h"

#include <cstring>
#include <map>
#include <string>

namespace {

// What a direct write of each level leaves, of what that leaves, and so on
// three deep (a setter, a balance and a restore write the level in turn).
struct Stored {
    std::map<LONG, LONG> after;
    LONG Of(LONG level) const {
        auto it = after.find(level);
        return it == after.end() ? -99999 : it->second;
    }
};

Stored MeasureStored(DWORD volume, const LONG* levels, int count) {
    Stored s;
    for (int i = 0; i < count; ++i) {
        LONG v = levels[i];
        for (int depth = 0; depth < 3 && !s.after.count(v); ++depth) {
            DirectWrite(volume, v);
            const LONG got = DirectValue(volume);
            s.after[v] = got;
            v = got;
        }
    }
    return s;
}

const int kLevelCount = 64;
LONG LevelAt(int i) { return 1000 + 997 * i; }

// The first open of device 0 from now names which handle; after 65536 opens
// of a process Wine's handles have bits above bit 15.
UINT_PTR NextHandle() {
    HMIXER h = nullptr;
    mixerOpen(&h, 0, 0, 0, 0);
    mixerClose(h);
    return reinterpret_cast<UINT_PTR>(h);
}

// Stops a long loop at the test's first failure, saying where.
bool Failed(long call, const char* what) {
    if (!::testing::Test::HasFailure()) return false;
    std::printf("  stopped at call %ld (%s), next handle 0x%lx\n", call, what,
                static_cast<unsigned long>(NextHandle()));
    return true;
}

}  // namespace

namespace {

// What device 1 must keep: its master volume and mute as they were.
struct Untouched {
    bool watched;
    LONG volume, mute;
};

// 100,000 calls and more, 20 a cycle: the master volume, mute and balance
// set and read back, the peak meter polled, the recording selector and absent
// lines asked for; a name file read, a save and a restore every 1,000 calls.
// Every setter is checked with a direct read by device identifier, and with
// `second.watched` device 1's master is checked to be as it was. The
// recording endpoint's level and mute, which every save reads and every
// restore writes back as the recording microphone's, must stay as they were.
void MixedCalls(const char* tag, const Untouched& second) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const LONG savedVolume = DirectValue(m.volume), savedMute = DirectValue(m.mute);
    const RecordingControls rec = FindRecordingControls();
    ASSERT_TRUE(rec.ok);
    const LONG savedRecording = DeviceValue(rec.device, rec.destination.volume);
    const LONG savedRecordingMute = DeviceValue(rec.device, rec.destination.mute);
    const LONG recordingLevel = 257 * 130;  // Wine keeps it exactly
    EXPECT_TRUE(DeviceWrite(rec.device, rec.destination.volume, recordingLevel));
    EXPECT_TRUE(DeviceWrite(rec.device, rec.destination.mute, 1));
    LONG levels[kLevelCount];
    for (int i = 0; i < kLevelCount; ++i) levels[i] = LevelAt(i);
    const Stored stored = MeasureStored(m.volume, levels, kLevelCount);

    const std::string dir = TempDirectory(tag);
    const std::string settings = dir + "mixer.ini";
    EXPECT_TRUE(WriteBytes(dir + "Out.cfg", "[DIGITAL]\r\nNAME=Master Volume\r\n"));
    EXPECT_EQ(CALL(SetSoundCardConfigFilePath)(dir.c_str()), static_cast<LONG>(dir.size() + 1));
    auto device1 = [&] {
        if (!second.watched) return;
        EXPECT_EQ(DeviceValue(1, m.volume), second.volume);
        EXPECT_EQ(DeviceValue(1, m.mute), second.mute);
    };

    const DWORD start = GetTickCount();
    long calls = 0;
    LONG level = 0, mute = 0;
    for (long cycle = 0; calls < 100000; ++cycle) {
        const int k = static_cast<int>(cycle % kLevelCount);
        EXPECT_EQ(CALL(SetPlayMainVolume)(LevelAt(k)), 1);
        level = stored.Of(LevelAt(k));
        EXPECT_EQ(DirectValue(m.volume), level);
        device1();
        EXPECT_EQ(CALL(GetPlayMainVolume)(), level);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
        mute = cycle & 1;
        EXPECT_EQ(CALL(SetPlayMainMute)(mute), 1);
        EXPECT_EQ(DirectValue(m.mute), mute);
        EXPECT_EQ(CALL(GetPlayMainMute)(), mute);
        // On Wine's uniform master, positions 0 to 7 write the level again
        // (which Wine may keep one lower).
        EXPECT_EQ(CALL(SetPlayMainBalance)(cycle % 8), 1);
        level = stored.Of(level);
        EXPECT_EQ(DirectValue(m.volume), level);
        device1();
        EXPECT_EQ(CALL(SetRecMicSelect)(), 1);
        EXPECT_EQ(CALL(GetRecMicSelect)(), -1);
        EXPECT_EQ(CALL(SetPlayWaveOutVolume)(level), 1);
        EXPECT_EQ(CALL(GetPlayWaveOutVolume)(), 0);
        EXPECT_EQ(CALL(GetPlayLineInVolume)(), 0);
        char listing[64];
        EXPECT_EQ(CALL(GetMixerRecordChannels)(listing, sizeof listing - 1), -1);
        EXPECT_EQ(CALL(IsMuxSingleSelect)(), 0);
        calls += 20;
        if (cycle % 50 == 0) {
            // The digital line by the name file's name: Wine's wave-out
            // source "Master Volume", which fills nothing.
            EXPECT_EQ(CALL(ReadDigitalConfiguration)(), 1);
            EXPECT_EQ(CALL(GetPlayDigitalVolume)(), 0);
            EXPECT_EQ(CALL(Save)(settings.c_str()), 1);
            EXPECT_EQ(DirectValue(m.volume), level);
            EXPECT_TRUE(DirectWrite(m.volume, 0));
            EXPECT_TRUE(DirectWrite(m.mute, 1 - mute));
            EXPECT_EQ(CALL(Set)(settings.c_str()), 1);
            // The restore writes the level saved, which Wine may keep one lower.
            level = stored.Of(level);
            EXPECT_EQ(DirectValue(m.volume), level);
            EXPECT_EQ(DirectValue(m.mute), mute);
            device1();
            EXPECT_EQ(DeviceValue(rec.device, rec.destination.volume), recordingLevel);
            EXPECT_EQ(DeviceValue(rec.device, rec.destination.mute), 1);
            calls += 4;
        }
        if (Failed(calls, tag)) break;
    }
    const UINT_PTR next = NextHandle();
    std::printf("  %ld calls in %lu ms; device 0's next handle 0x%lx\n", calls,
                static_cast<unsigned long>(GetTickCount() - start), static_cast<unsigned long>(next));
    EXPECT_GE(calls, 100000);
    EXPECT_GT(next, 0xFFFFu);  // past the 65536th open: no handle of Wine's names device 0 any more
    CALL(SetSoundCardConfigFilePath)("");
    CALL(ReadDigitalConfiguration)();
    DeleteFileA((dir + "Out.cfg").c_str());
    DeleteFileA(settings.c_str());
    RemoveDirectoryA(dir.c_str());
    DirectWrite(m.volume, savedVolume);
    DirectWrite(m.mute, savedMute);
    DeviceWrite(rec.device, rec.destination.volume, savedRecording);
    DeviceWrite(rec.device, rec.destination.mute, savedRecordingMute);
}

}  // namespace

TEST(SoloLongRun, MixedCalls) { MixedCalls("long", Untouched{false, 0, 0}); }

TEST(SoloSecondOutput, NeverChanges) {
    // Run with tests/wine/wine-run.sh's second output: Wine's device 1 is
    // "Out: null2", which Wine's handles 256-511 of a process name.
    EXPECT_EQ(mixerGetNumDevs(), 3u);
    MIXERCAPSA caps;
    EXPECT_RESULT(mixerGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Out: null2");
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    // Device 1's master at values the checks never write.
    EXPECT_TRUE(DeviceWrite(1, m.volume, 12345));
    EXPECT_TRUE(DeviceWrite(1, m.mute, 1));
    const Untouched second = {true, DeviceValue(1, m.volume), DeviceValue(1, m.mute)};
    EXPECT_TRUE(NearLevel(second.volume, 12345)) << second.volume;
    EXPECT_EQ(second.mute, 1);
    MixedCalls("second", second);
}

TEST(SoloLongRun, GettersLeaveTheLevel) {
    // A level Wine gives back one lower: 10,000 reads leave it as it is.
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const LONG saved = DirectValue(m.volume);
    EXPECT_TRUE(DirectWrite(m.volume, 50000));
    const LONG level = DirectValue(m.volume);
    EXPECT_EQ(level, 49999);
    for (long i = 0; i < 10000; ++i) {
        EXPECT_EQ(CALL(GetPlayMainVolume)(), level);
        if (Failed(i, "getter")) break;
    }
    EXPECT_EQ(DirectValue(m.volume), level);
    DirectWrite(m.volume, saved);
}
