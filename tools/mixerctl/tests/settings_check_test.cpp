// restore's reading of a settings file: the entries it finds must be the
// ones the library applies, and the problems the ones a person would not
// expect the library to read as it does.
#include "ctl_fixture.h"

#include "mixerctl.h"

using namespace mixerctl;

namespace {

std::vector<std::string> Paths(const SettingsReading& r) {
    std::vector<std::string> out;
    for (const SettingsEntry& e : r.entries) out.push_back(e.path.path);
    return out;
}


}  // namespace

TEST(SettingsReading, TokensAsTheLibraryCutsThem) {
    // Lines are no unit: a key and its value may stand on two lines, and one
    // key may take several values.
    SettingsReading r = ReadSettingsText("[PLAY VOLUME]\r\nLINEIN\r\n5\r\nMAIN=10=20\r\n\x1aMIC=7\r\n");
    EXPECT_TRUE(r.problems.empty()) << r.problems[0];
    EXPECT_EQ(Paths(r), (std::vector<std::string>{"play.linein.volume", "play.main.volume", "play.main.volume"}));
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.entries[0].line, 3);
    EXPECT_EQ(r.entries[0].number, 5);
    EXPECT_EQ(r.entries[2].number, 20);
    // Entries before the first header belong to [PLAY MUTE].
    r = ReadSettingsText("MAIN=1\n");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].path.path, "play.main.mute");
    EXPECT_EQ(r.entries[0].section, "[PLAY MUTE]");
}

TEST(SettingsReading, ValuesTheLibraryWouldMisread) {
    struct Case {
        const char* text;
        const char* problem;
    } cases[] = {
        {"MAIN=abc\n", "line 1: 'abc' for MAIN in [PLAY MUTE] is not a decimal number"},
        {"[PLAY VOLUME]\nMAIN=12abc\n", "line 2: '12abc' for MAIN in [PLAY VOLUME] is not a decimal number"},
        {"[PLAY VOLUME]\nMAIN= 5\n", "line 2: ' 5' for MAIN in [PLAY VOLUME] is not a decimal number"},
        {"[PLAY VOLUME]\nMAIN=+5\n", "line 2: '+5' for MAIN in [PLAY VOLUME] is not a decimal number"},
        {"[PLAY VOLUME]\nMAIN=4294967297\n", "line 2: 4294967297 for MAIN in [PLAY VOLUME] is beyond the 32-bit range"},
        {"5\n[CD]\nDIGITAL=1\n", "line 1: '5' comes before any key"},
        {"; saved by hand\n", "line 1: '; saved by hand' comes before any key"},
        {"[PLAY VOLUME]\nANALOG=5\n", "line 2: ANALOG in [PLAY VOLUME] is not a setting the library restores ('5')"},
        {"[ADVANCED]\nMIC=1\n", "line 2: MIC in [ADVANCED] is not a setting the library restores ('1')"},
        // An unknown header is a value for the current key.
        {"[PLAY VOLUME]\nMAIN=5\n[EXTRA]\n", "line 3: '[EXTRA]' for MAIN in [PLAY VOLUME] is not a decimal number"},
        {"[PLAY VOLUME]\r\nMAIN=5\rMIC=3\r\n", "line 2: '5\rMIC' for MAIN in [PLAY VOLUME] is not a decimal number"},
    };
    for (const Case& c : cases) {
        SettingsReading r = ReadSettingsText(c.text);
        ASSERT_FALSE(r.problems.empty()) << c.text;
        EXPECT_EQ(r.problems[0], c.problem);
    }
    // Save's -1 is an entry of its own kind; the command decides about it.
    SettingsReading r = ReadSettingsText("[REC SELECT]\nMIC=-1\n");
    EXPECT_TRUE(r.problems.empty());
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_TRUE(r.entries[0].failureMark);
}

TEST(SettingsReading, OnlyTheFirst4096BytesCount) {
    std::string text = "[PLAY VOLUME]\r\n" + std::string(4096 - 15 - 8, '\n') + "MAIN=5\r\n" + "MIC=abc\r\n";
    SettingsReading r = ReadSettingsText(text);
    EXPECT_TRUE(r.problems.empty());  // MIC=abc lies beyond the bytes the library reads
    EXPECT_EQ(Paths(r), (std::vector<std::string>{"play.main.volume"}));
}

// Every section and key of the file, cross-checked with the library's own
// Set on the default card: a value the reading calls an entry arrives at its
// path; any other leaves the mixer as it was.
TEST_F(CtlTest, EveryCellIsReadAsTheLibraryAppliesIt) {
    sim::LoadCardText(DefaultCardText(), "default card");
    int applied = 0;
    // The sections and keys Set reads, from the library's per-line table.
    for (const char* section : kSectionHeaders)
        for (const char* key : kKeyWords) {
            const std::string text = std::string(section) + "\r\n" + key + "=1\r\n";
            Write("cell.ini", text);
            SettingsReading r = ReadSettingsText(text);
            const nlohmann::json before = sim::CardState();
            ASSERT_EQ(CallExport("Set", {Path("cell.ini")}).result, 1);
            const std::string cell = std::string(section) + " " + key;
            if (r.entries.empty()) {
                EXPECT_EQ(r.problems.size(), 1u) << cell;
                EXPECT_EQ(sim::CardState(), before) << cell << " changed the mixer";
                continue;
            }
            ++applied;
            ASSERT_EQ(r.entries.size(), 1u) << cell;
            const PropertyPath& p = r.entries[0].path;
            TargetControl t;
            if (p.HasControl()) t = FindTargetControl(p.lineType, p.op);
            if (!t.problem.empty()) {
                // The card has no such line: the library writes nothing.
                EXPECT_EQ(sim::CardState(), before) << cell << " changed the mixer";
            } else if (!p.getter.empty()) {
                EXPECT_EQ(CallExport(p.getter).result, 1) << cell << " -> " << p.path;
            } else {
                EXPECT_EQ(t.control["values"][0][0], 1) << cell << " -> " << p.path;
            }
            // A fresh card for the next cell.
            sim::Reset();
            sim::LoadCardText(DefaultCardText(), "default card");
        }
    // 7 + 7 + 6 + 5 + 6 (the library restores every entry Save writes) + 1 + 1.
    EXPECT_EQ(applied, 33);
}

TEST_F(CtlTest, AFileSaveWroteReadsWithoutProblems) {
    sim::LoadCardText(DefaultCardText(), "default card");
    ASSERT_EQ(CallExport("Save", {Path("saved.ini")}).result, 1);
    SettingsReading r = ReadSettingsText(Read("saved.ini"));
    EXPECT_TRUE(r.problems.empty()) << r.problems[0];
    EXPECT_EQ(r.entries.size(), 32u);  // every line of the layout but the headers
}
