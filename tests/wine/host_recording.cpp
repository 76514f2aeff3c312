// The recording exports against Wine's recording endpoint. Wine shows each
// audio endpoint as a mixer of its own: the outputs first ("Out: default",
// and "Out: null2" with wine-run.sh's second output), then "In: default",
// whose wave-in destination holds the level and mute that its microphone
// source's controls (which keep nothing) stand for. The library looks for a
// recording line there when device 0 has no wave-in destination. These
// checks find the endpoint themselves, read and write it by device
// identifier, and watch every other device's destination around each call.
//
// Each test runs in the one-output run (wine_host) and again with two
// outputs (the SoloSecondOutput suite, in wine_second_output's Wine).
#include "host.h"

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A level the checks start from and no table writes: a multiple of 257,
// which Wine keeps exactly.
const LONG kStart = 257 * 50;
// In a table: the level a direct write of the same value leaves.
const LONG kAsDirect = -99999;

// The recording endpoint, with every device's destination saved and put
// back when it goes.
struct Endpoint {
    RecordingControls rec;
    std::vector<DeviceLevels> saved;

    Endpoint() : rec(FindRecordingControls()), saved(ReadEveryDestination()) {}
    ~Endpoint() { RestoreLevels(saved); }
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    UINT device() const { return rec.device; }
    LONG Level() const { return DeviceValue(rec.device, rec.destination.volume); }
    LONG Mute() const { return DeviceValue(rec.device, rec.destination.mute); }
    bool SetLevel(LONG v) const { return DeviceWrite(rec.device, rec.destination.volume, v); }
    bool SetMute(LONG v) const { return DeviceWrite(rec.device, rec.destination.mute, v); }

    // Every other device's destination at a level of its own and muted, so
    // that a recording write that went there shows.
    void MarkOutputs() const {
        for (const DeviceLevels& d : saved) {
            if (!d.controls.ok || d.device == rec.device) continue;
            EXPECT_TRUE(DeviceWrite(d.device, d.controls.volume, 257 * static_cast<LONG>(20 + d.device)));
            EXPECT_TRUE(DeviceWrite(d.device, d.controls.mute, 1));
        }
    }
};

std::string Call(const char* name, LONG value) { return std::string(name) + "(" + std::to_string(value) + ")"; }


// The outputs' mixers first, each mapped from its wave-out device; then the
// recording endpoint's, found by the wave-in mapping and by its name.
void EndpointFollowsTheOutputs(UINT outputs) {
    EXPECT_EQ(waveOutGetNumDevs(), outputs);
    EXPECT_EQ(waveInGetNumDevs(), 1u);
    EXPECT_EQ(mixerGetNumDevs(), outputs + 1);
    MIXERCAPSA caps;
    for (UINT i = 0; i < outputs; ++i) {
        SCOPED_TRACE("output " + std::to_string(i));
        UINT id = 99;
        EXPECT_RESULT(mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(i)), &id, MIXER_OBJECTF_WAVEOUT),
                      MMSYSERR_NOERROR);
        EXPECT_EQ(id, i);
        EXPECT_RESULT(mixerGetDevCapsA(i, &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_EQ(std::string(caps.szPname).substr(0, 5), "Out: ");
        EXPECT_TRUE(FindDestinationControls(i, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).ok);
        EXPECT_FALSE(DeviceDestination(i, MIXERLINE_COMPONENTTYPE_DST_WAVEIN).found);
    }

    const RecordingControls rec = FindRecordingControls();
    ASSERT_TRUE(rec.ok);
    EXPECT_EQ(rec.device, outputs);
    EXPECT_RESULT(mixerGetDevCapsA(rec.device, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "In: default");
    EXPECT_EQ(caps.cDestinations, 1u);
    EXPECT_FALSE(DeviceDestination(rec.device, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS).found);
    UINT named = kNoDevice, sameName = 0;
    for (UINT d = 0; d < mixerGetNumDevs(); ++d)
        if (mixerGetDevCapsA(d, &caps, sizeof caps) == MMSYSERR_NOERROR && std::strcmp(caps.szPname, "In: default") == 0)
            named = d, ++sameName;
    EXPECT_EQ(sameName, 1u);
    EXPECT_EQ(named, rec.device);

    // The microphone source's volume answers a read as done and leaves the
    // buffer as it was, and a write to it moves nothing: the destination's
    // control is the one that holds the level.
    DirectLine mic = DeviceDestination(rec.device, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    ASSERT_TRUE(mic.found);
    MIXERCONTROLA volume;
    ASSERT_TRUE(mixertools::ControlOfType(rec.device, mic.line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &volume));
    EXPECT_NE(volume.dwControlID, rec.destination.volume);
    for (LONG mark : {0x7FFFFFFF, 12}) {
        LONG value = mark;
        EXPECT_TRUE(DeviceRead(rec.device, volume.dwControlID, &value));
        EXPECT_EQ(value, mark);
    }
    const LONG level = DeviceValue(rec.device, rec.destination.volume);
    EXPECT_TRUE(DeviceWrite(rec.device, volume.dwControlID, level == 1000 ? 2000 : 1000));
    EXPECT_EQ(DeviceValue(rec.device, rec.destination.volume), level);
}

// The recording microphone's level and mute arrive at the endpoint's
// destination and nowhere else; changes made there read back through the
// exports, and reading writes nothing.
void MicLevelAndMute() {
    Endpoint e;
    ASSERT_TRUE(e.rec.ok);
    e.MarkOutputs();
    EXPECT_TRUE(e.SetMute(1));
    const auto setVolume = CALL(SetRecMicVolume);
    const auto getVolume = CALL(GetRecMicVolume);
    const auto setMute = CALL(SetRecMicMute);
    const auto getMute = CALL(GetRecMicMute);

    // Levels pass through unchecked: Wine refuses those beyond its bounds
    // and the level stays.
    const struct {
        LONG level, want;
    } levels[] = {{0, 0},          {65535, 65535},        {257 * 100, 257 * 100}, {1, kAsDirect},
                  {30000, kAsDirect}, {32768, kAsDirect}, {65534, kAsDirect},     {65536, kStart},
                  {-1, kStart},    {0x7FFFFFFF, kStart}};
    for (const auto& row : levels) {
        SCOPED_TRACE(Call("SetRecMicVolume", row.level));
        LONG want = row.want;
        if (want == kAsDirect) {
            EXPECT_TRUE(e.SetLevel(kStart));
            EXPECT_TRUE(e.SetLevel(row.level));
            want = e.Level();
            EXPECT_TRUE(NearLevel(want, row.level));
        }
        EXPECT_TRUE(e.SetLevel(kStart));
        const auto before = ReadEveryDestination();
        EXPECT_EQ(setVolume(row.level), 1);
        EXPECT_EQ(e.Level(), want);
        EXPECT_EQ(e.Mute(), 1);
        EXPECT_LEVELS_KEPT(before, e.device());
        const auto written = ReadEveryDestination();
        EXPECT_EQ(getVolume(), want);
        EXPECT_LEVELS_KEPT(written, kNoDevice);
    }

    // Levels set directly read back as the endpoint reports them.
    for (LONG level : {0, 1, 257, 30000, 50000, 65535}) {
        SCOPED_TRACE("level " + std::to_string(level) + " set directly");
        EXPECT_TRUE(e.SetLevel(level));
        const auto before = ReadEveryDestination();
        EXPECT_EQ(getVolume(), e.Level());
        EXPECT_LEVELS_KEPT(before, kNoDevice);
    }
    // A level that Wine lowers by one with every write stays as it is
    // through a hundred reads.
    EXPECT_TRUE(e.SetLevel(50000));
    const LONG lowered = e.Level();
    int otherReadings = 0;
    for (int i = 0; i < 100; ++i) otherReadings += getVolume() != lowered;
    EXPECT_EQ(otherReadings, 0);
    EXPECT_EQ(e.Level(), lowered);

    // Mute: 0 for 0, 1 for anything else; the level stays.
    EXPECT_TRUE(e.SetLevel(kStart));
    const struct {
        LONG value, want;
    } mutes[] = {{1, 1}, {0, 0}, {5, 1}, {-1, 1}, {0, 0}, {0x7FFFFFFF, 1}, {static_cast<LONG>(0x80000000u), 1},
                 {0, 0}};
    for (const auto& row : mutes) {
        SCOPED_TRACE(Call("SetRecMicMute", row.value));
        const auto before = ReadEveryDestination();
        EXPECT_EQ(setMute(row.value), 1);
        EXPECT_EQ(e.Mute(), row.want);
        EXPECT_EQ(e.Level(), kStart);
        EXPECT_LEVELS_KEPT(before, e.device());
        EXPECT_EQ(getMute(), row.want);
    }
    // A mute set directly reads as the endpoint reports it, 5 included.
    for (LONG mute : {1, 0, 5}) {
        SCOPED_TRACE("mute " + std::to_string(mute) + " set directly");
        EXPECT_TRUE(e.SetMute(mute));
        const auto before = ReadEveryDestination();
        EXPECT_EQ(getMute(), mute);
        EXPECT_LEVELS_KEPT(before, kNoDevice);
    }
}

// Recording lines that no endpoint has read 0, and their setters, the
// balance and the boost write nothing on any device, with the endpoint's
// level and mute at values a wrong stand-in would report.
void LinesNoEndpointHas() {
    Endpoint e;
    ASSERT_TRUE(e.rec.ok);
    e.MarkOutputs();
    EXPECT_TRUE(e.SetLevel(kStart));
    EXPECT_TRUE(e.SetMute(1));

    const NamedGetter getters[] = {
        NAMED_CALL(GetRecLineInVolume), NAMED_CALL(GetRecCDVolume),     NAMED_CALL(GetRecWaveOutVolume),
        NAMED_CALL(GetRecAuxVolume),    NAMED_CALL(GetRecDigitalVolume), NAMED_CALL(GetRecAnalogVolume),
        NAMED_CALL(GetRecLineInMute),   NAMED_CALL(GetRecCDMute),       NAMED_CALL(GetRecWaveOutMute),
        NAMED_CALL(GetRecAuxMute),      NAMED_CALL(GetMicBoostMode)};
    const auto before = ReadEveryDestination();
    for (const NamedGetter& g : getters) {
        SCOPED_TRACE(g.name);
        EXPECT_EQ(g.fn(), 0);
    }
    EXPECT_LEVELS_KEPT(before, kNoDevice);

    // The microphone has no boost control on either side.
    const NamedSetter setters[] = {
        NAMED_CALL(SetRecLineInVolume), NAMED_CALL(SetRecCDVolume),     NAMED_CALL(SetRecWaveOutVolume),
        NAMED_CALL(SetRecAuxVolume),    NAMED_CALL(SetRecDigitalVolume), NAMED_CALL(SetRecAnalogVolume),
        NAMED_CALL(SetRecLineInMute),   NAMED_CALL(SetRecCDMute),       NAMED_CALL(SetRecWaveOutMute),
        NAMED_CALL(SetRecAuxMute),      NAMED_CALL(SetRecLineInBalance), NAMED_CALL(SetRecMicBoostMode),
        NAMED_CALL(SetMicBoostMode),    NAMED_CALL(SetPlayMicBoostMode)};
    for (const NamedSetter& s : setters)
        for (LONG value : {0, 1, 3, 7, 12, 65535}) {
            SCOPED_TRACE(Call(s.name, value));
            EXPECT_EQ(s.fn(value), 1);
            EXPECT_LEVELS_KEPT(before, kNoDevice);
        }
    EXPECT_EQ(CALL(GetMicBoostMode)(), 0);
}

// Names from the sound-card name file: a name no endpoint's line has finds
// nothing; "Master Volume", the name Wine gives the microphone source (and
// every destination), finds the microphone, and the line-in exports then
// act on the endpoint's level, the balance by its rule.
void LinesByName() {
    Endpoint e;
    ASSERT_TRUE(e.rec.ok);
    e.MarkOutputs();
    EXPECT_TRUE(e.SetLevel(kStart));
    EXPECT_TRUE(e.SetMute(1));
    const std::string dir = TempDirectory("recording-names");
    const std::string cfg = dir + "Out.cfg";  // fits the product name "Out: default"
    EXPECT_TRUE(WriteBytes(cfg, "[LINEIN]\r\nNAME=Line 2\r\n[DIGITAL]\r\nNAME=SPDIF In\r\n[DIGITALCD]\r\nNAME=CD Digital\r\n"));
    EXPECT_EQ(CALL(SetSoundCardConfigFilePath)(dir.c_str()), static_cast<LONG>(dir.size() + 1));
    EXPECT_EQ(CALL(ReadDigitalConfiguration)(), 1);
    EXPECT_EQ(CALL(SetCDTypeDigital)(1), 1);

    const auto before = ReadEveryDestination();
    const NamedGetter getters[] = {NAMED_CALL(GetRecLineInVolume), NAMED_CALL(GetRecLineInMute),
                                   NAMED_CALL(GetRecDigitalVolume), NAMED_CALL(GetRecCDVolume),
                                   NAMED_CALL(GetRecCDMute)};
    for (const NamedGetter& g : getters) {
        SCOPED_TRACE(std::string(g.name) + " by a name no line has");
        EXPECT_EQ(g.fn(), 0);
    }
    const NamedSetter setters[] = {NAMED_CALL(SetRecLineInVolume), NAMED_CALL(SetRecLineInMute),
                                   NAMED_CALL(SetRecLineInBalance), NAMED_CALL(SetRecDigitalVolume),
                                   NAMED_CALL(SetRecCDVolume),      NAMED_CALL(SetRecCDMute)};
    for (const NamedSetter& s : setters) {
        SCOPED_TRACE(std::string(s.name) + " by a name no line has");
        EXPECT_EQ(s.fn(0), 1);
        EXPECT_LEVELS_KEPT(before, kNoDevice);
    }

    EXPECT_TRUE(WriteBytes(cfg, "[LINEIN]\r\nNAME=Master Volume\r\n"));
    EXPECT_EQ(CALL(ReadDigitalConfiguration)(), 1);
    EXPECT_EQ(CALL(GetRecLineInVolume)(), kStart);
    EXPECT_EQ(CALL(GetRecLineInMute)(), 1);
    const LONG level = 257 * 100;
    EXPECT_EQ(CALL(SetRecLineInVolume)(level), 1);
    EXPECT_EQ(e.Level(), level);
    EXPECT_EQ(CALL(SetRecLineInMute)(0), 1);
    EXPECT_EQ(e.Mute(), 0);
    EXPECT_LEVELS_KEPT(before, e.device());
    // The destination is uniform and answers the first of two channels: the
    // rule sees (level, 0). Positions 0 to 7 keep the level, 12 scales it to
    // three sevenths, and positions off the scale write nothing.
    for (LONG position : {0, 3, 7, 16, -1, 0x7FFFFFFF}) {
        SCOPED_TRACE(Call("SetRecLineInBalance", position));
        EXPECT_EQ(CALL(SetRecLineInBalance)(position), 1);
        EXPECT_EQ(e.Level(), level);
        EXPECT_EQ(e.Mute(), 0);
    }
    const LONG scaled = static_cast<LONG>(3.0 * level * 0.14285714285714285);
    EXPECT_TRUE(e.SetLevel(scaled));
    const LONG want = e.Level();
    EXPECT_TRUE(e.SetLevel(level));
    EXPECT_EQ(CALL(SetRecLineInBalance)(12), 1);
    EXPECT_EQ(e.Level(), want);
    EXPECT_TRUE(NearLevel(want, scaled));
    EXPECT_LEVELS_KEPT(before, e.device());

    CALL(SetCDTypeDigital)(0);
    const std::string dllDir = DllDirectory();
    CALL(SetSoundCardConfigFilePath)(dllDir.c_str());
    CALL(ReadDigitalConfiguration)();
    DeleteFileA(cfg.c_str());
    RemoveDirectoryA(dir.c_str());
}

// The recording selection, the selector's listing and the meters keep what
// they answer without a wave-in destination on device 0, and write nothing.
void SelectionAndMeters() {
    Endpoint e;
    ASSERT_TRUE(e.rec.ok);
    e.MarkOutputs();
    EXPECT_TRUE(e.SetLevel(kStart));
    EXPECT_TRUE(e.SetMute(1));
    const auto before = ReadEveryDestination();

    const struct {
        const char* name;
        MIXER_PFN_SetRecMicSelect set;
        MIXER_PFN_GetRecMicSelect get;
    } selections[] = {{"LineIn", CALL(SetRecLineInSelect), CALL(GetRecLineInSelect)},
                      {"Mic", CALL(SetRecMicSelect), CALL(GetRecMicSelect)},
                      {"CD", CALL(SetRecCDSelect), CALL(GetRecCDSelect)},
                      {"Aux", CALL(SetRecAuxSelect), CALL(GetRecAuxSelect)},
                      {"Analog", CALL(SetRecAnalogSelect), CALL(GetRecAnalogSelect)},
                      {"Digital", CALL(SetRecDigitalSelect), CALL(GetRecDigitalSelect)}};
    for (const auto& s : selections) {
        SCOPED_TRACE(std::string("selection of ") + s.name);
        EXPECT_EQ(s.set(), 1);
        EXPECT_EQ(s.get(), -1);
        EXPECT_LEVELS_KEPT(before, kNoDevice);
    }
    char listing[64];
    std::memset(listing, 'x', sizeof listing);
    EXPECT_EQ(CALL(GetMixerRecordChannels)(listing, sizeof listing - 1), -1);
    EXPECT_EQ(listing[0], '\0');
    EXPECT_EQ(CALL(IsMuxSingleSelect)(), 0);
    EXPECT_EQ(CALL(ScanRecControls)(), 0);
    EXPECT_EQ(CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_DST_WAVEIN), 0);
    EXPECT_EQ(CALL(GetPeak)(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE), 0);
    EXPECT_LEVELS_KEPT(before, kNoDevice);
}

// Save writes the endpoint's level and mute as the microphone's; Set brings
// them back, and restores nothing for the lines no endpoint has.
void SaveAndSet() {
    Endpoint e;
    ASSERT_TRUE(e.rec.ok);
    e.MarkOutputs();
    const auto save = CALL(Save);
    const auto set = CALL(Set);
    const std::string dir = TempDirectory("recording-settings");
    const std::string file = dir + "mixer.ini";

    EXPECT_TRUE(e.SetLevel(30000));
    EXPECT_TRUE(e.SetMute(1));
    const LONG level = e.Level();
    const auto before = ReadEveryDestination();
    EXPECT_EQ(save(file.c_str()), 1);
    EXPECT_LEVELS_KEPT(before, kNoDevice);
    const std::string text = ReadBytes(file);
    const struct {
        const char* section;
        const char* key;
        LONG want;
    } entries[] = {
        {"[RECORD VOLUME]", "MIC", level},   {"[REC MUTE]", "MIC", 1},
        {"[RECORD VOLUME]", "LINEIN", 0},   {"[RECORD VOLUME]", "CD", 0},
        {"[RECORD VOLUME]", "AUX", 0},      {"[RECORD VOLUME]", "WAVEOUT", 0},
        {"[RECORD VOLUME]", "DIGITAL", 0},  {"[RECORD VOLUME]", "ANALOG", 0},
        {"[REC MUTE]", "LINEIN", 0},        {"[REC MUTE]", "CD", 0},
        {"[REC MUTE]", "WAVEOUT", 0},       {"[REC MUTE]", "AUX", 0},
        {"[REC SELECT]", "LINEIN", -1},     {"[REC SELECT]", "MIC", -1},
        {"[REC SELECT]", "CD", -1},         {"[REC SELECT]", "ANALOG", -1},
        {"[REC SELECT]", "AUX", -1},        {"[REC SELECT]", "DIGITAL", -1},
        {"[ADVANCED]", "MICBOOST", 0},      {"[PLAY VOLUME]", "MIC", 0},
        {"[PLAY MUTE]", "MIC", 0},          {"[PLAY VOLUME]", "MAIN", before[0].volume},
        {"[PLAY MUTE]", "MAIN", before[0].mute}};
    for (const auto& entry : entries) {
        SCOPED_TRACE(std::string(entry.section) + " " + entry.key);
        EXPECT_EQ(SettingsEntry(text, entry.section, entry.key), entry.want);
    }

    // What writing the saved level back leaves (Wine may keep it one lower).
    EXPECT_TRUE(e.SetLevel(level));
    const LONG restored = e.Level();
    EXPECT_TRUE(NearLevel(restored, level));
    EXPECT_TRUE(e.SetLevel(1000));
    EXPECT_TRUE(e.SetMute(0));
    const auto changed = ReadEveryDestination();
    EXPECT_EQ(set(file.c_str()), 1);
    EXPECT_EQ(e.Level(), restored);
    EXPECT_EQ(e.Mute(), 1);
    EXPECT_LEVELS_KEPT(changed, e.device());

    // Files of the recording microphone's entries alone, and of entries
    // that restore nothing here: the getters' failure value, the lines no
    // endpoint has, the selection, the boost, and the playback microphone.
    const struct {
        const char* text;
        LONG startLevel, startMute, wantLevel, wantMute;
    } files[] = {
        {"[RECORD VOLUME]\r\nMIC=0\r\n[REC MUTE]\r\nMIC=1\r\n", kStart, 0, 0, 1},
        {"[RECORD VOLUME]\r\nMIC=65535\r\n[REC MUTE]\r\nMIC=0\r\n", kStart, 1, 65535, 0},
        {"[RECORD VOLUME]\r\nMIC=-1\r\n[REC MUTE]\r\nMIC=-1\r\n", kStart, 1, kStart, 1},
        {"[RECORD VOLUME]\r\nLINEIN=5000\r\nCD=5000\r\nAUX=5000\r\nWAVEOUT=5000\r\nDIGITAL=5000\r\nANALOG=5000\r\n"
         "[REC MUTE]\r\nLINEIN=0\r\nCD=0\r\nWAVEOUT=0\r\nAUX=0\r\n"
         "[REC SELECT]\r\nLINEIN=1\r\nMIC=1\r\nCD=1\r\nANALOG=1\r\nAUX=1\r\nDIGITAL=1\r\n[ADVANCED]\r\nMICBOOST=1\r\n",
         kStart, 1, kStart, 1},
        {"[PLAY VOLUME]\r\nMIC=5000\r\n[PLAY MUTE]\r\nMIC=0\r\n", kStart, 1, kStart, 1},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(std::string("Set of ") + f.text);
        EXPECT_TRUE(e.SetLevel(f.startLevel));
        EXPECT_TRUE(e.SetMute(f.startMute));
        const auto start = ReadEveryDestination();
        EXPECT_TRUE(WriteBytes(file, f.text));
        EXPECT_EQ(set(file.c_str()), 1);
        EXPECT_EQ(e.Level(), f.wantLevel);
        EXPECT_EQ(e.Mute(), f.wantMute);
        EXPECT_LEVELS_KEPT(start, e.device());
    }

    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

TEST(Recording, EndpointFollowsTheOutput) { EndpointFollowsTheOutputs(1); }
TEST(Recording, MicLevelAndMuteReachTheEndpoint) { MicLevelAndMute(); }
TEST(Recording, LinesNoEndpointHasChangeNothing) { LinesNoEndpointHas(); }
TEST(Recording, LinesByNameOnTheEndpoint) { LinesByName(); }
TEST(Recording, SelectionAndMetersOnTheEndpoint) { SelectionAndMeters(); }
TEST(Recording, SaveAndSetThroughTheEndpoint) { SaveAndSet(); }

// Run with tests/wine/wine-run.sh's second output: "In: default" is device 2.
TEST(SoloSecondOutput, RecordingEndpointFollowsTheOutputs) { EndpointFollowsTheOutputs(2); }
TEST(SoloSecondOutput, RecordingMicLevelAndMute) { MicLevelAndMute(); }
TEST(SoloSecondOutput, RecordingLinesNoEndpointHas) { LinesNoEndpointHas(); }
TEST(SoloSecondOutput, RecordingLinesByName) { LinesByName(); }
TEST(SoloSecondOutput, RecordingSelectionAndMeters) { SelectionAndMeters(); }
TEST(SoloSecondOutput, RecordingSaveAndSet) { SaveAndSet(); }
