// The per-line exports against Wine's device 0, called through the public
// header's prototypes: a prototype that disagrees with the DLL's stack use
// shows up here as a crash or a wrong result.
#include "host.h"

#include <vector>

HOST_TEST(main_volume_mute_and_balance) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    const LONG savedVolume = DirectValue(m.volume);
    const LONG savedMute = DirectValue(m.mute);

    CHECK_EQ(CALL(SetPlayMainVolume)(40000), 1);
    CHECK(NearLevel(DirectValue(m.volume), 40000));
    CHECK_EQ(CALL(GetPlayMainVolume)(), DirectValue(m.volume));

    CHECK_EQ(CALL(SetPlayMainMute)(1), 1);
    CHECK_EQ(DirectValue(m.mute), 1);
    CHECK_EQ(CALL(GetPlayMainMute)(), 1);
    CHECK_EQ(CALL(SetPlayMainMute)(0), 1);
    CHECK_EQ(CALL(GetPlayMainMute)(), 0);

    // Wine's master volume is uniform and answers only the first of two
    // channels: the balance rule sees (level, 0), so positions up to 7 keep
    // the level and higher positions scale it.
    DirectWrite(m.volume, 42000);
    const LONG level = DirectValue(m.volume);
    CHECK_EQ(CALL(SetPlayMainBalance)(3), 1);
    CHECK(NearLevel(DirectValue(m.volume), level));
    CHECK_EQ(CALL(SetPlayMainBalance)(12), 1);
    CHECK(NearLevel(DirectValue(m.volume), static_cast<LONG>(3.0 * level * 0.14285714285714285)));

    DirectWrite(m.volume, savedVolume);
    DirectWrite(m.mute, savedMute);
}

HOST_TEST(wave_out_source_reads_zero) {
    // Wine's source-line controls accept requests without filling the value.
    CHECK_EQ(CALL(SetPlayWaveOutVolume)(1000), 1);
    CHECK_EQ(CALL(SetPlayWaveOutMute)(1), 1);
    CHECK_EQ(CALL(GetPlayWaveOutVolume)(), 0);
    CHECK_EQ(CALL(GetPlayWaveOutMute)(), 0);
}

HOST_TEST(absent_lines) {
    // Lines that neither device 0 nor the recording endpoint has: every
    // device's destination, the endpoint's at a level and mute that a getter
    // falling back to it would report, stays as it is. The recording
    // microphone is there (host_recording.cpp).
    const RecordingControls rec = FindRecordingControls();
    if (!rec.ok) return CHECK(rec.ok);
    const std::vector<DeviceLevels> saved = ReadEveryDestination();
    CHECK(DeviceWrite(rec.device, rec.destination.volume, 257 * 40));
    CHECK(DeviceWrite(rec.device, rec.destination.mute, 1));
    const std::vector<DeviceLevels> before = ReadEveryDestination();

    decltype(&SetPlayLineInVolume) setters[] = {
        CALL(SetPlayLineInVolume), CALL(SetPlayMicVolume),   CALL(SetPlayCDVolume),     CALL(SetPlayAuxVolume),
        CALL(SetPlayDigitalVolume), CALL(SetRecLineInVolume), CALL(SetRecCDVolume),     CALL(SetRecWaveOutVolume),
        CALL(SetRecAuxVolume),     CALL(SetRecDigitalVolume), CALL(SetRecAnalogVolume), CALL(SetPlayLineInBalance),
        CALL(SetRecLineInBalance), CALL(SetPlayLineInMute),  CALL(SetPlayMicMute),      CALL(SetPlayCDMute),
        CALL(SetPlayAuxMute),      CALL(SetRecLineInMute),   CALL(SetRecCDMute),        CALL(SetRecWaveOutMute),
        CALL(SetRecAuxMute),       CALL(SetPlayMicBoostMode), CALL(SetRecMicBoostMode), CALL(SetMicBoostMode)};
    for (auto fn : setters) CHECK_EQ(fn(7), 1);

    decltype(&GetPlayLineInVolume) getters[] = {
        CALL(GetPlayLineInVolume), CALL(GetPlayMicVolume),   CALL(GetPlayCDVolume),     CALL(GetPlayAuxVolume),
        CALL(GetPlayDigitalVolume), CALL(GetRecLineInVolume), CALL(GetRecCDVolume),     CALL(GetRecWaveOutVolume),
        CALL(GetRecAuxVolume),     CALL(GetRecDigitalVolume), CALL(GetRecAnalogVolume), CALL(GetPlayLineInMute),
        CALL(GetPlayMicMute),      CALL(GetPlayCDMute),      CALL(GetPlayAuxMute),      CALL(GetRecLineInMute),
        CALL(GetRecCDMute),        CALL(GetRecWaveOutMute),  CALL(GetRecAuxMute),       CALL(GetMicBoostMode)};
    for (auto fn : getters) CHECK_EQ(fn(), 0);

    decltype(&SetRecLineInSelect) selectSetters[] = {CALL(SetRecLineInSelect), CALL(SetRecMicSelect),
                                                     CALL(SetRecCDSelect),     CALL(SetRecAuxSelect),
                                                     CALL(SetRecAnalogSelect), CALL(SetRecDigitalSelect)};
    for (auto fn : selectSetters) CHECK_EQ(fn(), 1);
    decltype(&GetRecLineInSelect) selectGetters[] = {CALL(GetRecLineInSelect), CALL(GetRecMicSelect),
                                                     CALL(GetRecCDSelect),     CALL(GetRecAuxSelect),
                                                     CALL(GetRecAnalogSelect), CALL(GetRecDigitalSelect)};
    for (auto fn : selectGetters) CHECK_EQ(fn(), -1);

    CHECK_LEVELS_KEPT(before, kNoDevice);
    RestoreLevels(saved);
}

HOST_TEST(flag_and_no_ops) {
    CHECK_EQ(CALL(SetCDTypeDigital)(5), 1);
    CHECK_EQ(CALL(GetCDTypeDigital)(), 5);
    CHECK_EQ(CALL(SetCDTypeDigital)(0), 1);
    CHECK_EQ(CALL(GetCDTypeDigital)(), 0);
    CHECK_EQ(CALL(RepeatPlay)(3), 1);
    CHECK_EQ(CALL(SetPlayRecMonitorMute)(3), 1);
    CHECK_EQ(CALL(SetVolume)(3), 1);
    CHECK_EQ(CALL(RepeatPlayStop)(), 1);
    // One function behind three names.
    CHECK(Export("RepeatPlay") == Export("SetVolume"));
    CHECK(Export("RepeatPlay") == Export("SetPlayRecMonitorMute"));
    CHECK(Export("RepeatPlay") != Export("RepeatPlayStop"));
}
