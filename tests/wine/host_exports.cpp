// The per-line exports against Wine's device 0, called through the public
// header's prototypes: a prototype that disagrees with the DLL's stack use
// shows up here as a crash or a wrong result.
#include "host.h"

#include <vector>

TEST(Exports, MainVolumeMuteAndBalance) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const LONG savedVolume = DirectValue(m.volume);
    const LONG savedMute = DirectValue(m.mute);

    EXPECT_EQ(CALL(SetPlayMainVolume)(40000), 1);
    EXPECT_TRUE(NearLevel(DirectValue(m.volume), 40000));
    EXPECT_EQ(CALL(GetPlayMainVolume)(), DirectValue(m.volume));

    for (LONG mute : {1, 0}) {
        SCOPED_TRACE("mute " + std::to_string(mute));
        EXPECT_EQ(CALL(SetPlayMainMute)(mute), 1);
        EXPECT_EQ(DirectValue(m.mute), mute);
        EXPECT_EQ(CALL(GetPlayMainMute)(), mute);
    }

    // Wine's master volume is uniform and answers only the first of two
    // channels: the balance rule sees (level, 0), so positions up to 7 keep
    // the level and higher positions scale it.
    DirectWrite(m.volume, 42000);
    const LONG level = DirectValue(m.volume);
    EXPECT_EQ(CALL(SetPlayMainBalance)(3), 1);
    EXPECT_TRUE(NearLevel(DirectValue(m.volume), level));
    EXPECT_EQ(CALL(SetPlayMainBalance)(12), 1);
    EXPECT_TRUE(NearLevel(DirectValue(m.volume), static_cast<LONG>(3.0 * level * 0.14285714285714285)));

    DirectWrite(m.volume, savedVolume);
    DirectWrite(m.mute, savedMute);
}

TEST(Exports, WaveOutSourceReadsZero) {
    // Wine's source-line controls accept requests without filling the value.
    EXPECT_EQ(CALL(SetPlayWaveOutVolume)(1000), 1);
    EXPECT_EQ(CALL(SetPlayWaveOutMute)(1), 1);
    EXPECT_EQ(CALL(GetPlayWaveOutVolume)(), 0);
    EXPECT_EQ(CALL(GetPlayWaveOutMute)(), 0);
}

TEST(Exports, AbsentLines) {
    // Playback lines that neither device 0 nor the recording endpoint has:
    // every device's destination, the endpoint's at a level and mute that a
    // getter falling back to it would report, stays as it is. The recording
    // lines no endpoint has, their selection and the boost are the
    // recording tests' (host_recording.cpp), in both Wines.
    const RecordingControls rec = FindRecordingControls();
    ASSERT_TRUE(rec.ok);
    const std::vector<DeviceLevels> saved = ReadEveryDestination();
    EXPECT_TRUE(DeviceWrite(rec.device, rec.destination.volume, 257 * 40));
    EXPECT_TRUE(DeviceWrite(rec.device, rec.destination.mute, 1));
    const std::vector<DeviceLevels> before = ReadEveryDestination();

    const NamedSetter setters[] = {
        NAMED_CALL(SetPlayLineInVolume),  NAMED_CALL(SetPlayMicVolume),     NAMED_CALL(SetPlayCDVolume),
        NAMED_CALL(SetPlayAuxVolume),     NAMED_CALL(SetPlayDigitalVolume), NAMED_CALL(SetPlayLineInBalance),
        NAMED_CALL(SetPlayLineInMute),    NAMED_CALL(SetPlayMicMute),       NAMED_CALL(SetPlayCDMute),
        NAMED_CALL(SetPlayAuxMute)};
    for (const NamedSetter& s : setters) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.fn(7), 1);
    }
    const NamedGetter getters[] = {
        NAMED_CALL(GetPlayLineInVolume), NAMED_CALL(GetPlayMicVolume), NAMED_CALL(GetPlayCDVolume),
        NAMED_CALL(GetPlayAuxVolume),    NAMED_CALL(GetPlayDigitalVolume), NAMED_CALL(GetPlayLineInMute),
        NAMED_CALL(GetPlayMicMute),      NAMED_CALL(GetPlayCDMute),    NAMED_CALL(GetPlayAuxMute)};
    for (const NamedGetter& g : getters) {
        SCOPED_TRACE(g.name);
        EXPECT_EQ(g.fn(), 0);
    }
    EXPECT_LEVELS_KEPT(before, kNoDevice);
    RestoreLevels(saved);
}

TEST(Exports, FlagAndNoOps) {
    for (LONG flag : {5, 0}) {
        EXPECT_EQ(CALL(SetCDTypeDigital)(flag), 1);
        EXPECT_EQ(CALL(GetCDTypeDigital)(), flag);
    }
    EXPECT_EQ(CALL(RepeatPlay)(3), 1);
    EXPECT_EQ(CALL(SetPlayRecMonitorMute)(3), 1);
    EXPECT_EQ(CALL(SetVolume)(3), 1);
    EXPECT_EQ(CALL(RepeatPlayStop)(), 1);
    // One function behind three names.
    EXPECT_EQ(Export("RepeatPlay"), Export("SetVolume"));
    EXPECT_EQ(Export("RepeatPlay"), Export("SetPlayRecMonitorMute"));
    EXPECT_NE(Export("RepeatPlay"), Export("RepeatPlayStop"));
}
