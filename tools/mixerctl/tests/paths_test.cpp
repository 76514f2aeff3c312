// Property paths: which export each path names, aliases, and the faults a
// user can make.
#include "mixerctl.h"

#include <gtest/gtest.h>

#include <set>

using namespace mixerctl;

TEST(PathParsing, NamesTheSetterAndGetterOfTheLineAndProperty) {
    struct Case {
        const char* text;
        const char* path;
        const char* setter;
        const char* getter;  // "" for the properties that can only be set
        bool setterTakesValue;  // all but the selections
    } cases[] = {
        {"play.linein.volume", "play.linein.volume", "SetPlayLineInVolume", "GetPlayLineInVolume", true},
        {"rec.cd.mute", "rec.cd.mute", "SetRecCDMute", "GetRecCDMute", true},
        // Aliases and case give the canonical path.
        {"PLAYBACK.Line.Volume", "play.linein.volume", "SetPlayLineInVolume", "GetPlayLineInVolume", true},
        {"play.master.mute", "play.main.mute", "SetPlayMainMute", "GetPlayMainMute", true},
        {"rec.wave.volume", "rec.waveout.volume", "SetRecWaveOutVolume", "GetRecWaveOutVolume", true},
        {"rec.auxiliary.mute", "rec.aux.mute", "SetRecAuxMute", "GetRecAuxMute", true},
        // Selections take no value.
        {"recording.microphone.select", "rec.mic.select", "SetRecMicSelect", "GetRecMicSelect", false},
        // Balances and one side's boost have no getter.
        {"play.main.balance", "play.main.balance", "SetPlayMainBalance", "", true},
        {"play.mic.boostmode", "play.mic.boost", "SetPlayMicBoostMode", "", true},
        {"rec.mic.boost", "rec.mic.boost", "SetRecMicBoostMode", "", true},
        // The two paths of their own.
        {"mic.boost", "mic.boost", "SetMicBoostMode", "GetMicBoostMode", true},
        {"cd.digital", "cd.digital", "SetCDTypeDigital", "GetCDTypeDigital", true},
    };
    for (const Case& c : cases) {
        const PropertyPath p = ParsePath(c.text);
        EXPECT_EQ(p.path, c.path) << c.text;
        EXPECT_EQ(p.setter, c.setter) << c.text;
        EXPECT_EQ(p.getter, c.getter) << c.text;
        EXPECT_EQ(p.kind != PathKind::Select, c.setterTakesValue) << c.text;
    }
}

TEST(PathParsing, RejectsPathsTheLibraryDoesNotHave) {
    // Well-formed but no such export: the analog line has no playback volume,
    // the recording side no main line, the microphone no balance.
    EXPECT_THROW(ParsePath("play.analog.volume"), UsageError);
    EXPECT_THROW(ParsePath("rec.main.volume"), UsageError);
    EXPECT_THROW(ParsePath("play.mic.balance"), UsageError);
    EXPECT_THROW(ParsePath("rec.digital.mute"), UsageError);
    EXPECT_THROW(ParsePath("play.linein.select"), UsageError);
}

TEST(PathParsing, RejectsMalformedPaths) {
    for (const char* bad : {"", "play", "play.linein", "play.linein.volume.x", "side.linein.volume",
                            "play.speaker.volume", "play.linein.loudness", "play..volume", "mic.volume"}) {
        try {
            ParsePath(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const UsageError& e) {
            EXPECT_EQ(e.status, kExitUsage);
            EXPECT_NE(std::string(e.what()), "");
        }
    }
}

TEST(PathParsing, EveryPathNamesRealExportsOfTheRightShape) {
    std::vector<PropertyPath> all = AllPaths();
    std::set<std::string> seen, exportsUsed;
    for (const PropertyPath& p : all) {
        EXPECT_TRUE(seen.insert(p.path).second) << "twice: " << p.path;
        EXPECT_EQ(ParsePath(p.path).path, p.path);
        if (!p.setter.empty()) {
            const ExportInfo* e = FindExport(p.setter);
            ASSERT_NE(e, nullptr) << p.setter;
            EXPECT_EQ(e->argumentCount, p.kind == PathKind::Select ? 0 : 1) << p.setter;
            exportsUsed.insert(p.setter);
        }
        if (!p.getter.empty()) {
            const ExportInfo* e = FindExport(p.getter);
            ASSERT_NE(e, nullptr) << p.getter;
            EXPECT_EQ(e->argumentCount, 0) << p.getter;
            exportsUsed.insert(p.getter);
        }
    }
    // Every per-line Set/Get export is reachable by some path.
    for (const ExportInfo& e : Exports()) {
        std::string n = e.name;
        bool perLine = (n.rfind("SetPlay", 0) == 0 || n.rfind("GetPlay", 0) == 0 || n.rfind("SetRec", 0) == 0 ||
                        n.rfind("GetRec", 0) == 0) &&
                       n != "SetPlayRecMonitorMute";
        if (perLine) {
            EXPECT_TRUE(exportsUsed.count(n)) << n << " has no path";
        }
    }
}

// peak's TYPE: the line words of the paths first, then destinations by bare
// name, then sources ("digital" is the source), full names and numbers.
TEST(PeakTarget, LineWordsDestinationsSourcesAndNumbers) {
    const std::pair<const char*, DWORD> cases[] = {
        {"main", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},     {"Master", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},
        {"line", MIXERLINE_COMPONENTTYPE_SRC_LINE},         {"wave", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT},
        {"mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},    {"speakers", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS},
        {"wavein", MIXERLINE_COMPONENTTYPE_DST_WAVEIN},     {"digital", MIXERLINE_COMPONENTTYPE_SRC_DIGITAL},
        {"dst.digital", MIXERLINE_COMPONENTTYPE_DST_DIGITAL}, {"src.synthesizer", MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER},
        {"0x1003", 0x1003},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePeakTarget(c.first), c.second) << c.first;
    for (const char* bad : {"", "playback", "boost", "dst.bogus"}) EXPECT_THROW(ParsePeakTarget(bad), UsageError) << bad;
}
