// Mixer settings file: Save's layout, Set's grammar and dispatch, the
// round trip, and every failure path.
#include "exports/line_exports.h"
#include "persistence/persistence.h"
#include "persistence_fixture.h"
#include "settings_layout.h"
#include "short_names.h"
#include "test_cards.h"

#include <sstream>

namespace {

// tests/cards/settings.json: every line the settings file reaches, by
// component type, with a distinct value on every control, plus lines that
// only override names reach; the recording selector of the given type.
struct SettingsCard {
    sim::Destination* speakers;
    sim::Destination* wavein;
    sim::Control* selector;
};

// The recording selector of a card of tests/cards: the wave-in destination's
// one control.
nlohmann::json& Selector(nlohmann::json& card) { return card["devices"][0]["destinations"][1]["controls"][0]; }

SettingsCard BuildSettingsCard(DWORD selectorType = MIXERCONTROL_CONTROLTYPE_MUX) {
    nlohmann::json card = TestCard("settings");
    Selector(card)["type"] = selectorType;
    sim::LoadCard(card, "settings.json");
    sim::Destination& wavein = sim::Devices().back().destinations[1];
    return {&sim::Devices().back().destinations[0], &wavein, &wavein.controls[0]};
}

// What the library wrote to the mixer, one entry a write request:
// "play|rec <line> volume|mute|boost=<first value>", or for the recording
// selector "rec select=<the items set, by text>".
std::vector<std::string> Writes() {
    std::vector<std::string> out;
    for (const sim::Call& c : sim::CallsOf("mixerSetControlDetails")) {
        sim::Line* owner = nullptr;
        sim::Control* control = sim::Devices()[0].FindControl(c.id, &owner);
        if (control == nullptr || c.values.empty()) continue;
        std::ostringstream s;
        s << ((owner->id & 0xFFFF) == 0 ? "play " : "rec ");
        if ((control->type & MIXERCONTROL_CT_CLASS_MASK) == MIXERCONTROL_CT_CLASS_LIST) {
            s << "select=";
            for (size_t i = 0; i < c.values.size() && i < control->itemTexts.size(); ++i)
                if (c.values[i]) s << control->itemTexts[i] << ";";
        } else {
            const char* kind = control->type == kVolume ? "volume" : control->type == kMute ? "mute" : "boost";
            s << owner->name << " " << kind << "=" << c.values[0];
        }
        out.push_back(s.str());
    }
    return out;
}

// Every control value of the card, and the CD-type flag.
std::pair<sim::Values, LONG> Snapshot() { return {sim::AllValues(), g_state.CDTypeDigital}; }

std::string CrLf(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\n') out += '\r';
        out += ch;
    }
    return out;
}

class SettingsTest : public FileTest {
protected:
    std::string File() const { return Path("mixer.ini"); }
    // Set over a file holding `text` (LF stored as CR LF); the writes it made.
    std::vector<std::string> Apply(const std::string& text, LONG want = 1) {
        Write("mixer.ini", CrLf(text));
        sim::ClearLog();
        EXPECT_EQ(Set(File().c_str()), want) << text;
        return Writes();
    }
};

using Strings = std::vector<std::string>;

// ---- Save ------------------------------------------------------------------------

TEST_F(SettingsTest, SaveWritesThe45LineLayout) {
    SettingsCard card = BuildSettingsCard();
    card.wavein->FindSource(kAux)->Find(kVolume)->flags |= MIXERCONTROL_CONTROLF_DISABLED;  // reads as -1
    g_state.CDTypeDigital = 5;
    // The card's values in the layout's order (the shared settings layout).
    const long values[] = {1001, 1002, 1003, -1, 1004, 1007, 1006,  // [RECORD VOLUME], AUX disabled
                           2001, 2002, 2003, 40000, 2004, 2005,     // [PLAY VOLUME]
                           1,    0,    1,    0,  1,    1,           // [PLAY MUTE]
                           0,    1,    0,    1,  0,                 // [REC MUTE]
                           0,    0,    0,    0,  1,    0,           // [REC SELECT]
                           1,                                       // [ADVANCED] MICBOOST
                           1};                                      // [CD] DIGITAL
    const std::string want = settings_layout::Render(values, sizeof values / sizeof values[0], "\n");
    ASSERT_EQ(std::count(want.begin(), want.end(), '\n'), 45);
    EXPECT_EQ(Save(File().c_str()), 1);
    EXPECT_EQ(Read("mixer.ini"), CrLf(want));
    EXPECT_EQ(Entries(), Strings{"mixer.ini"});
    // Every getter ran before the file was touched.
    const std::vector<sim::Call>& log = sim::Log();
    size_t firstFile = 0, lastMixer = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].fn.compare(0, 5, "mixer") == 0) lastMixer = i;
        if (log[i].fn == "CreateFileA" && firstFile == 0) firstFile = i;
    }
    EXPECT_LT(lastMixer, firstFile);
    ExpectNothingOpen();
}

TEST_F(SettingsTest, WholeFilesAsTheWineKillTestTellsThem) {
    // The Wine suite tells a whole file from a torn one with the shared
    // layout's Complete: a file Save wrote is whole, any cut or change of
    // its shape is not.
    BuildSettingsCard();
    ASSERT_EQ(Save(File().c_str()), 1);
    const std::string saved = Read("mixer.ini");
    EXPECT_TRUE(settings_layout::Complete(saved));
    auto replaced = [&saved](const std::string& from, const std::string& to) {
        std::string t = saved;
        const size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? saved : t.replace(at, from.size(), to);
    };
    EXPECT_TRUE(settings_layout::Complete(replaced("MAIN=40000", "MAIN=-1")));
    const std::string broken[] = {
        "",
        saved.substr(0, saved.size() - 1),             // the last LF missing
        saved.substr(0, saved.size() - 2),             // the last line without its end
        saved + "\r\n",                                // a line more
        saved + "x",                                   // bytes after the last line
        replaced("LINEIN=1001\r\n", "LINEIN=1001\n"),  // a bare LF
        replaced("MAIN=40000", "MAIN="),               // a key without its number
        replaced("MAIN=40000", "MAIN=4x"),             // not a number
        replaced("MAIN=40000", "MAIN=-"),
        replaced("[PLAY MUTE]", "[PLAY  MUTE]"),       // another header
        replaced("[PLAY MUTE]", "[PLAY MUTE]1"),       // a value after a header
        replaced("MIC=1002\r\nCD=1003", "CD=1003\r\nMIC=1002"),  // two keys swapped
    };
    for (const std::string& text : broken) EXPECT_FALSE(settings_layout::Complete(text)) << text;
}

TEST_F(SettingsTest, SaveFlagsAndMicrophoneBoost) {
    struct Case {
        LONG cdType;
        LONG boost;          // the playback boost switch; -1 disables it
        const char* tail;    // the last five lines
        size_t boostReads;   // reads of the playback boost switch
    } cases[] = {
        {0, 1, "[ADVANCED]\nMICBOOST=1\n\n[CD]\nDIGITAL=0\n", 1},
        {1, 0, "[ADVANCED]\nMICBOOST=0\n\n[CD]\nDIGITAL=1\n", 2},  // a 0 is read again
        // A disabled switch reads as -1 without a request; a failure value counts as on.
        {-1, -1, "[ADVANCED]\nMICBOOST=1\n\n[CD]\nDIGITAL=1\n", 0},
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        SettingsCard card = BuildSettingsCard();
        sim::Control* boost = card.speakers->FindSource(kMic)->Find(kOnOff);
        if (c.boost < 0)
            boost->flags |= MIXERCONTROL_CONTROLF_DISABLED;
        else
            boost->SetAll(c.boost);
        g_state.CDTypeDigital = c.cdType;
        EXPECT_EQ(Save(File().c_str()), 1);
        const std::string text = Read("mixer.ini");
        const std::string tail = CrLf(c.tail);
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << c.cdType;
        size_t reads = 0;
        for (const sim::Call& call : sim::CallsOf("mixerGetControlDetailsA")) reads += call.id == boost->id;
        EXPECT_EQ(reads, c.boostReads) << c.cdType;
    }
}

TEST_F(SettingsTest, SaveResults) {
    BuildSettingsCard();
    EXPECT_EQ(Save(nullptr), 0);
    EXPECT_TRUE(sim::Log().empty());
    EXPECT_EQ(Save(Path("nodir/mixer.ini").c_str()), 0);
    EXPECT_FALSE(Exists("nodir"));
    Write("mixer.ini", "old settings that are longer than nothing at all\r\n");
    EXPECT_EQ(Save(File().c_str()), 1);
    EXPECT_EQ(Read("mixer.ini").substr(0, 17), "[RECORD VOLUME]\r\n");
    // A Windows-style path.
    sim::MapDrive('C', dir_);
    EXPECT_EQ(Save("C:\\sub.ini"), 1);
    EXPECT_EQ(Read("sub.ini"), Read("mixer.ini"));
    ExpectNothingOpen();
}

TEST_F(SettingsTest, FailedSaveKeepsTheOldFile) {
    // A full disk (every other failure of the file phase: the platform sweep
    // below), then a target that is a directory.
    const std::string old = "[CD]\r\nDIGITAL=1\r\n";
    BuildSettingsCard();
    Write("mixer.ini", old);
    sim::SetFileFaults({false, 100, -1, false});
    EXPECT_EQ(Save(File().c_str()), 0);
    EXPECT_EQ(Read("mixer.ini"), old);
    EXPECT_EQ(Entries(), Strings{"mixer.ini"});
    sim::SetFileFaults({});
    std::filesystem::remove(Path("mixer.ini"));
    std::filesystem::create_directory(Path("mixer.ini"));
    EXPECT_EQ(Save(File().c_str()), 0);
    EXPECT_EQ(Entries(), Strings{"mixer.ini"});
    ExpectNothingOpen();
}

TEST_F(SettingsTest, SaveKeepsTheFileWhenTheMixerCannotBeRead) {
    // A card unplugged, one that no longer opens, or one whose handles the
    // platform refuses (as Wine's do after a process's 256th open): every
    // value reads -1, and the file keeps what it had, byte for byte.
    const std::string old = "[PLAY VOLUME]\r\nMAIN=39999\r\n";
    struct Case {
        const char* what;
        void (*arrange)();
    } cases[] = {
        {"no device", [] { sim::Devices().clear(); }},
        {"no device reported", [] { sim::SetReportedDeviceCount(0); }},
        {"the open fails", [] { sim::FailFunction("mixerOpen", MMSYSERR_NODRIVER); }},
        {"the handle is refused", [] { sim::FailFunction("mixerGetLineInfoA", MMSYSERR_INVALHANDLE); }},
    };
    for (const Case& c : cases) {
        for (bool existing : {true, false}) {
            sim::Reset();
            ResetLibraryState();
            std::filesystem::remove_all(dir_);
            std::filesystem::create_directory(dir_);
            BuildSettingsCard();
            if (existing) Write("mixer.ini", old);
            c.arrange();
            EXPECT_EQ(Save(File().c_str()), 0) << c.what;
            EXPECT_EQ(Entries(), existing ? Strings{"mixer.ini"} : Strings{}) << c.what;
            if (existing) {
                EXPECT_EQ(Read("mixer.ini"), old) << c.what;
            }
            EXPECT_EQ(sim::CountOf("CreateFileA"), 0u) << c.what;
            ExpectNothingOpen();
        }
    }
}

TEST_F(SettingsTest, SaveKeepsWhatAReadableMixerReports) {
    // Lines that are not there read 0, a disabled control and a source the
    // selector does not list read -1: the device itself is readable, and the
    // file holds those values as they are.
    SettingsCard card = BuildSettingsCard();
    sim::Destination* wavein = card.wavein;
    for (DWORD type : {kLine, kMic, kCD}) wavein->sources.erase(
        std::find_if(wavein->sources.begin(), wavein->sources.end(),
                     [type](const sim::Line& l) { return l.componentType == type; }));
    card.speakers->FindSource(kCD)->Find(kVolume)->flags |= MIXERCONTROL_CONTROLF_DISABLED;
    card.selector->itemTexts = {"Aux", "Analog Mix", "SPDIF In"};  // no line-in, microphone, CD
    card.selector->items = 3;
    card.selector->values = {1, 0, 0};
    EXPECT_EQ(Save(File().c_str()), 1);
    const std::string text = Read("mixer.ini");
    const std::string head = "[RECORD VOLUME]\r\nLINEIN=0\r\nMIC=0\r\nCD=0\r\nAUX=1005\r\nWAVEOUT=1004\r\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find("\r\nCD=-1\r\nMAIN=40000\r\n"), std::string::npos);
    EXPECT_NE(text.find("[REC SELECT]\r\nLINEIN=-1\r\nMIC=-1\r\nCD=-1\r\nANALOG=0\r\nAUX=1\r\n"), std::string::npos)
        << text;
    ExpectNothingOpen();
}

TEST_F(SettingsTest, SaveRefusesAReadOnlyFile) {
    // As a write in place would: result 0, file and attribute as they were,
    // whether the platform's rename would refuse (Windows) or replace (Wine).
    const std::string old = "[CD]\r\nDIGITAL=1\r\n";
    for (const sim::FileQuirks& platform : Platforms()) {
        const char* on = PlatformName(platform);
        sim::Reset();
        ResetLibraryState();
        BuildSettingsCard();
        Write("mixer.ini", old);
        SetReadOnly("mixer.ini", true);
        sim::SetFileQuirks(platform);
        EXPECT_EQ(Save(File().c_str()), 0) << on;
        EXPECT_EQ(Read("mixer.ini"), old) << on;
        EXPECT_TRUE(IsReadOnly("mixer.ini")) << on;
        EXPECT_EQ(Entries(), Strings{"mixer.ini"}) << on;
        SetReadOnly("mixer.ini", false);
        ExpectNothingOpen();
    }
}

// ---- Set: grammar ------------------------------------------------------------------

TEST_F(SettingsTest, SetGrammar) {
    struct Case {
        const char* text;
        Strings writes;
    } cases[] = {
        {"LINEIN=1\n", {"play Line In mute=1"}},  // before any header: [PLAY MUTE]
        {"5\n[PLAY VOLUME]\n7\nMAIN", {}},          // values before any key
        {"[PLAY VOLUME]\nLINEIN=10\nBASS=5\n",
         {"play Line In volume=10", "play Line In volume=0", "play Line In volume=5"}},
        {"[PLAY VOLUME]\nLINEIN=10\n[EXTRA]\nMIC=3\n",
         {"play Line In volume=10", "play Line In volume=0", "play Microphone volume=3"}},
        {"[PLAY VOLUME]\nLINEIN=10=20\n", {"play Line In volume=10", "play Line In volume=20"}},
        {"[PLAY VOLUME]\nLINEIN=\nMIC=3\n", {"play Microphone volume=3"}},
        {"[PLAY VOLUME]\nLINEIN\n4\n", {"play Line In volume=4"}},
        {"[PLAY VOLUME]\nLINEIN=12abc\nLINEIN=abc\nLINEIN=+5\nLINEIN= 5\n",
         {"play Line In volume=12", "play Line In volume=0", "play Line In volume=0", "play Line In volume=0"}},
        {"[PLAY VOLUME]\nLINEIN=4294967297\nLINEIN=-1\n", {"play Line In volume=1"}},  // -1: no value
        {"[PLAY VOLUME]\nLINEIN=-10\nLINEIN=-1 \nLINEIN=-1-1\n[REC SELECT]\nMIC=-1\n",
         {"play Line In volume=0", "play Line In volume=0", "play Line In volume=0"}},
        {"[PLAY VOLUME]\nlinein=5\n", {}},
        {"[play volume]\nLINEIN=5\n", {"play Line In mute=1"}},
        {"[PLAY VOLUME] \nLINEIN=5\n", {"play Line In mute=1"}},
        {"[REC SELECT]\nMIC=0\nCD=2\n", {"rec select=CD Audio;"}},
        {"[REC MUTE]\nMIC=1\n[PLAY VOLUME]\n6\n", {"rec Microphone mute=1", "play Microphone volume=6"}},
        {"[PLAY VOLUME]\nLINEIN=5\n\x1A" "MIC=9\n", {"play Line In volume=5"}},
        {"hello world\n", {}},
    };
    BuildSettingsCard();
    for (const Case& c : cases) {
        g_state.CDTypeDigital = 3;
        EXPECT_EQ(Apply(c.text), c.writes) << c.text;
        EXPECT_EQ(g_state.CDTypeDigital, 0) << c.text;
    }
    ExpectNothingOpen();
}

TEST_F(SettingsTest, SetIgnoresTheFailureValuesOfAnOlderFile) {
    // A file saved while the mixer could not be read: -1 in every entry a
    // getter filled. Restoring it leaves the lines as they are (a -1 read as
    // 0 would silence each of them); the boost and the CD type still apply.
    const char* const keys[] = {"LINEIN", "MIC", "CD", "AUX", "WAVEOUT", "DIGITAL", "ANALOG", "MAIN"};
    std::string text;
    for (const char* section : {"[RECORD VOLUME]", "[PLAY VOLUME]", "[PLAY MUTE]", "[REC MUTE]", "[REC SELECT]"}) {
        text += std::string(section) + "\n";
        for (const char* key : keys) text += std::string(key) + "=-1\n";
        text += "\n";
    }
    text += "[ADVANCED]\nMICBOOST=1\n\n[CD]\nDIGITAL=1\n";
    SettingsCard card = BuildSettingsCard();
    card.speakers->FindSource(kMic)->Find(kOnOff)->SetAll(0);
    EXPECT_EQ(Apply(text), Strings{"play Microphone boost=1"});
    EXPECT_EQ(card.speakers->Find(kVolume)->Value(0), 40000);
    EXPECT_EQ(g_state.CDTypeDigital, 1);
}

TEST_F(SettingsTest, SetReadsOnlyTheFirst4096Bytes) {
    BuildSettingsCard();
    // The read ends inside the number 123: only its first two digits count,
    // and nothing after it is applied.
    const std::string head = "[PLAY VOLUME]\r\nLINEIN=5\r\n";
    std::string disk = head + std::string(4096 - head.size() - 6, '\n') + "MIC=12" + "3\r\nCD=9\r\n";
    ASSERT_EQ(disk.find("MIC=12") + 6, 4096u);
    Write("mixer.ini", disk);
    EXPECT_EQ(Set(File().c_str()), 1);
    EXPECT_EQ(Writes(), (Strings{"play Line In volume=5", "play Microphone volume=12"}));
}

// ---- Set: dispatch -----------------------------------------------------------------

// Which row each section and key reaches: the per-line exports test
// (LineExportsTest.SetHandsEveryPairToItsRow).

TEST_F(SettingsTest, SelectionsApplyInFileOrderAndNeverDeselect) {
    SettingsCard card = BuildSettingsCard(MIXERCONTROL_CONTROLTYPE_MIXER);
    EXPECT_EQ(Apply("[REC SELECT]\nAUX=1\nLINEIN=1\nANALOG=0\n"),
              (Strings{"rec select=Aux;", "rec select=Line In;Aux;"}));
    EXPECT_EQ(card.selector->Value(0, 0), 1);
    EXPECT_EQ(card.selector->Value(0, 3), 1);
}

TEST_F(SettingsTest, OverrideNamesAndTheCDFlagAtEachCall) {
    BuildSettingsCard();
    CopyField(g_state.LineInLineName, "Ext Line");
    CopyField(g_state.DigitalCDLineName, "Alt CD");
    // Set resets the flag first: CD entries before "[CD]" reach the CD line by
    // type, those after it the digital CD line by name.
    EXPECT_EQ(Apply("[PLAY VOLUME]\nCD=7\nLINEIN=8\n[CD]\nDIGITAL=1\n[PLAY VOLUME]\nCD=9\n[REC SELECT]\nLINEIN=1\n"),
              (Strings{"play CD Audio volume=7", "play Ext Line volume=8", "play Alt CD volume=9",
                       "rec select=Ext Line;"}));
    EXPECT_EQ(g_state.CDTypeDigital, 1);
}

TEST_F(SettingsTest, SetResults) {
    struct Case {
        const char* what;
        void (*arrange)(SettingsTest*);
        LONG result;
        LONG cdType;  // the flag afterwards (it is 7 before)
    } cases[] = {
        {"missing file", [](SettingsTest*) {}, 0, 7},
        {"empty file", [](SettingsTest* t) { t->Write("mixer.ini", ""); }, 0, 7},
        {"Ctrl-Z first", [](SettingsTest* t) { t->Write("mixer.ini", "\x1A[CD]\r\nDIGITAL=1\r\n"); }, 0, 7},
        {"a directory", [](SettingsTest* t) { std::filesystem::create_directory(t->Path("mixer.ini")); }, 0, 7},
        {"no keywords", [](SettingsTest* t) { t->Write("mixer.ini", "nothing here\r\n"); }, 1, 0},
        {"read error",
         [](SettingsTest* t) {
             t->Write("mixer.ini", "[PLAY VOLUME]\r\nLINEIN=5\r\n[CD]\r\nDIGITAL=1\r\n");
             sim::SetFileFaults({false, -1, -1, true});
         },
         1, 0},
        {"no mixer",
         [](SettingsTest* t) {
             t->Write("mixer.ini", "[PLAY VOLUME]\r\nLINEIN=5\r\n[CD]\r\nDIGITAL=1\r\n");
             sim::Devices().clear();
         },
         1, 1},
    };
    for (const Case& c : cases) {
        sim::Reset();
        ResetLibraryState();
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directory(dir_);
        BuildSettingsCard();
        c.arrange(this);
        g_state.CDTypeDigital = 7;
        sim::ClearLog();
        EXPECT_EQ(Set(File().c_str()), c.result) << c.what;
        EXPECT_EQ(g_state.CDTypeDigital, c.cdType) << c.what;
        EXPECT_EQ(sim::CountOf("mixerSetControlDetails"), 0u) << c.what;
        ExpectNothingOpen();
    }
    g_state.CDTypeDigital = 7;
    EXPECT_EQ(Set(nullptr), 0);
    EXPECT_EQ(g_state.CDTypeDigital, 7);
}

// ---- Round trip --------------------------------------------------------------------

// tests/cards/roundtrip.json: every control one the settings file covers,
// the channels of a line at one level (reading a level writes it back as one
// channel, which the driver applies to every channel, so Save alone would
// even out unequal channels). With `overrides` (roundtrip-overrides.json) the
// line-in and digital lines are reached by override names, not by type; the
// CD line is reached by type with the digital CD flag set.
void BuildRoundTripCard(DWORD selectorType, bool overrides) {
    nlohmann::json card = TestCard(overrides ? "roundtrip-overrides" : "roundtrip");
    Selector(card)["type"] = selectorType;
    sim::LoadCard(card, "roundtrip.json");
    if (overrides) {
        CopyField(g_state.LineInLineName, "Ext Line");
        CopyField(g_state.DigitalLineName, "Coax In");
    }
    g_state.CDTypeDigital = 1;
}

TEST_F(SettingsTest, SaveThenSetLeavesTheCardAsItWas) {
    for (DWORD selector : {MIXERCONTROL_CONTROLTYPE_MUX, MIXERCONTROL_CONTROLTYPE_MIXER})
        for (bool overrides : {true, false}) {
            sim::Reset();
            ResetLibraryState();
            BuildRoundTripCard(selector, overrides);
            const auto before = Snapshot();
            ASSERT_EQ(Save(File().c_str()), 1);
            const std::string saved = Read("mixer.ini");
            ASSERT_EQ(Set(File().c_str()), 1);
            EXPECT_EQ(Snapshot(), before) << selector << " " << overrides;
            // Reading the card again gives the same file.
            ASSERT_EQ(Save(File().c_str()), 1);
            EXPECT_EQ(Read("mixer.ini"), saved);
            ExpectNothingOpen();
        }
}

TEST_F(SettingsTest, SetRestoresEverythingSaveWrote) {
    // Saved, then every covered setting changed, then restored: the recording
    // mutes, the recording wave-out volume and the analog selection come back
    // as well as everything else.
    BuildRoundTripCard(MIXERCONTROL_CONTROLTYPE_MUX, true);
    const auto before = Snapshot();
    ASSERT_EQ(Save(File().c_str()), 1);
    ASSERT_NE(Read("mixer.ini").find("ANALOG=1"), std::string::npos);
    for (sim::Destination& d : sim::Devices()[0].destinations) {
        for (sim::Control& c : d.controls)
            for (LONG& v : c.values) v = c.type == kVolume ? v / 4 : c.type == kMute ? !v : 0;
        for (sim::Line& l : d.sources)
            for (sim::Control& c : l.controls)
                for (LONG& v : c.values) v = c.type == kVolume ? v / 4 : !v;
    }
    sim::Devices()[0].destinations[1].Find(MIXERCONTROL_CONTROLTYPE_MUX)->SetValue(1, 0, 1);  // Microphone
    g_state.CDTypeDigital = 0;
    ASSERT_NE(Snapshot(), before);
    ASSERT_EQ(Set(File().c_str()), 1);
    EXPECT_EQ(Snapshot(), before);
}

// ---- Every platform failure ----------------------------------------------------------

TEST_F(SettingsTest, EveryPlatformFailureDuringSave) {
    const std::string old = "old\r\n";
    auto setup = [&] {
        BuildRoundTripCard(MIXERCONTROL_CONTROLTYPE_MUX, true);
        Write("mixer.ini", old);
    };
    auto op = [&] { return Save(File().c_str()); };
    // The file phase starts with the look at the target's attributes;
    // failures before it are the getters' and are written as their failure
    // values (the device itself is readable).
    sim::Reset();
    ResetLibraryState();
    setup();
    sim::ClearLog();
    op();
    size_t filePhase = 0;
    for (size_t i = 0; i < sim::Log().size() && filePhase == 0; ++i)
        if (sim::Log()[i].fn == "GetFileAttributesA") filePhase = i + 1;
    ASSERT_GT(filePhase, 0u);
    ASSERT_EQ(sim::Log()[filePhase].fn, "LocalAlloc");  // the disk buffer
    size_t firstCreate = 0;
    for (size_t i = filePhase; i < sim::Log().size() && firstCreate == 0; ++i)
        if (sim::Log()[i].fn == "CreateFileA") firstCreate = i + 1;
    int runs = ForEachPlatformFault(setup, op, [&](size_t n, const sim::Call& call, LONG result) {
        // Harmless in the file phase: attributes that cannot be read (the
        // rename still decides), a leftover that cannot be removed, and a
        // temporary name that cannot be created (the next one is taken).
        const bool harmless = n == filePhase || call.fn == "DeleteFileA" || n == firstCreate;
        const bool fails = n == 1 || (n >= filePhase && !harmless);
        EXPECT_EQ(result, fails ? 0 : 1) << n << " " << call.fn;
        if (fails) EXPECT_EQ(Read("mixer.ini"), old) << n << " " << call.fn;
        else EXPECT_EQ(Read("mixer.ini").substr(0, 17), "[RECORD VOLUME]\r\n") << n << " " << call.fn;
        EXPECT_EQ(Entries(), Strings{"mixer.ini"}) << n << " " << call.fn;
        EXPECT_EQ(sim::OpenFiles(), 0) << n << " " << call.fn;
    });
    EXPECT_GT(runs, 100);
}

TEST_F(SettingsTest, EveryPlatformFailureDuringSet) {
    sim::Reset();
    BuildRoundTripCard(MIXERCONTROL_CONTROLTYPE_MUX, true);
    ASSERT_EQ(Save(File().c_str()), 1);
    int runs = ForEachPlatformFault(
        [&] {
            BuildRoundTripCard(MIXERCONTROL_CONTROLTYPE_MUX, true);
            g_state.CDTypeDigital = 7;
        },
        [&] { return Set(File().c_str()); },
        [&](size_t n, const sim::Call& call, LONG result) {
            // The text buffer (the first call) and the open fail the call; a
            // failed read still resets the CD type; a setter's failure changes
            // nothing of the result.
            const bool fails = n == 1 || call.fn == "CreateFileA";
            EXPECT_EQ(result, fails ? 0 : 1) << n << " " << call.fn;
            if (fails) {
                EXPECT_EQ(g_state.CDTypeDigital, 7) << n << " " << call.fn;
            }
            if (call.fn == "ReadFile") {
                EXPECT_EQ(g_state.CDTypeDigital, 0);
                EXPECT_EQ(sim::CountOf("mixerOpen"), 0u);
            }
            EXPECT_EQ(sim::OpenFiles(), 0) << n << " " << call.fn;
        });
    EXPECT_GT(runs, 100);
}

}  // namespace
