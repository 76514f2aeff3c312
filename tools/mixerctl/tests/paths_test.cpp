// Property paths: which export each path names, aliases, and the faults a
// user can make.
#include "common.h"
#include "exports_table.h"
#include "paths.h"

#include <gtest/gtest.h>

#include <set>

using namespace mixerctl;

TEST(PathParsing, NamesTheSetterAndGetterOfTheLineAndProperty) {
    PropertyPath p = ParsePath("play.linein.volume");
    EXPECT_EQ(p.path, "play.linein.volume");
    EXPECT_EQ(p.setter, "SetPlayLineInVolume");
    EXPECT_EQ(p.getter, "GetPlayLineInVolume");
    EXPECT_TRUE(p.setterTakesValue);

    p = ParsePath("rec.cd.mute");
    EXPECT_EQ(p.setter, "SetRecCDMute");
    EXPECT_EQ(p.getter, "GetRecCDMute");
}

TEST(PathParsing, AliasesAndCaseGiveTheCanonicalPath) {
    EXPECT_EQ(ParsePath("PLAYBACK.Line.Volume").path, "play.linein.volume");
    EXPECT_EQ(ParsePath("recording.microphone.select").path, "rec.mic.select");
    EXPECT_EQ(ParsePath("play.master.mute").setter, "SetPlayMainMute");
    EXPECT_EQ(ParsePath("rec.wave.volume").getter, "GetRecWaveOutVolume");
    EXPECT_EQ(ParsePath("rec.auxiliary.mute").getter, "GetRecAuxMute");
    EXPECT_EQ(ParsePath("play.mic.boostmode").setter, "SetPlayMicBoostMode");
}

TEST(PathParsing, SelectSettersTakeNoValue) {
    PropertyPath p = ParsePath("rec.mic.select");
    EXPECT_EQ(p.setter, "SetRecMicSelect");
    EXPECT_EQ(p.getter, "GetRecMicSelect");
    EXPECT_FALSE(p.setterTakesValue);
}

TEST(PathParsing, WriteOnlyPropertiesHaveNoGetter) {
    PropertyPath balance = ParsePath("play.main.balance");
    EXPECT_EQ(balance.setter, "SetPlayMainBalance");
    EXPECT_EQ(balance.getter, "");
    PropertyPath boost = ParsePath("rec.mic.boost");
    EXPECT_EQ(boost.setter, "SetRecMicBoostMode");
    EXPECT_EQ(boost.getter, "");
}

TEST(PathParsing, TheTwoSpecialPaths) {
    PropertyPath boost = ParsePath("mic.boost");
    EXPECT_EQ(boost.setter, "SetMicBoostMode");
    EXPECT_EQ(boost.getter, "GetMicBoostMode");
    PropertyPath cd = ParsePath("cd.digital");
    EXPECT_EQ(cd.setter, "SetCDTypeDigital");
    EXPECT_EQ(cd.getter, "GetCDTypeDigital");
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
            EXPECT_EQ(e->argumentCount, p.setterTakesValue ? 1 : 0) << p.setter;
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
