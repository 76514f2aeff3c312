// What a script can trust: values are checked before anything is written,
// every write is read back, failures and file errors give a status and a
// reason, and the JSON shapes hold.
#include "ctl_fixture.h"

#include "mixerctl.h"
#include "sim_files.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>

using namespace mixerctl;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A card with the cases the checks are about: a master volume with bounds of
// its own and unequal channels, a line that takes nothing, a disabled
// control, a one-sided boost, no auxiliary line.
const char kCard[] = R"({"devices": [{"name": "Checks", "destinations": [
  {"name": "Speakers", "type": "speakers", "channels": 2, "controls": [
     {"type": "volume", "name": "Master", "min": 10, "max": 500, "values": [[400], [200]]},
     {"type": "mute", "name": "Master Mute", "flags": ["uniform"], "value": 0}],
   "sources": [
     {"name": "Line", "type": "line", "controls": [
        {"type": "volume", "value": 30000}, {"type": "mute", "flags": ["uniform"], "value": 0}]},
     {"name": "Mic", "type": "mic", "channels": 1, "controls": [
        {"type": "volume", "value": 100}, {"type": "onoff", "name": "Boost", "flags": ["uniform"], "value": 0}]},
     {"name": "Wave", "type": "wave", "controls": [
        {"type": "volume", "value": 1000, "ignoreWrites": true},
        {"type": "mute", "flags": ["uniform"], "value": 0, "ignoreWrites": true}]},
     {"name": "CD", "type": "cd", "controls": [{"type": "volume", "flags": ["disabled"], "value": 5}]}]}]}]})";

sim::Destination& Speakers() { return sim::Devices()[0].destinations[0]; }
sim::Control& Master() { return Speakers().controls[0]; }
sim::Control& LineVolume() { return *Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME); }

class Checked : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        sim::LoadCardText(kCard, "checks card");
    }
};

class OnDefaultCard : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        sim::LoadCardText(DefaultCardText(), "default card");
    }
};

}  // namespace

TEST_F(Checked, ValuesOutsideTheirRangeAreRefusedBeforeAnythingIsWritten) {
    const nlohmann::json before = sim::CardState();
    struct Case {
        std::vector<std::string> words;
        const char* message;
    } cases[] = {
        {{"set", "play.main.volume", "501"}, "set: play.main.volume: 501 is outside the control's range 10..500"},
        {{"set", "play.main.volume", "9"}, "outside the control's range 10..500"},
        {{"set", "play.main.volume", "-1"}, "-1 is outside the control's range 10..500 (a step down is written N- or -N%)"},
        {{"set", "play.linein.volume", "100", "play.main.volume", "70000"}, "70000 is outside"},
        {{"set", "play.main.volume", "150%"}, "takes a level: N in the control's units, N% (0 to 100)"},
        {{"set", "play.main.volume", "loud"}, "not 'loud'"},
        {{"set", "play.main.volume"}, "play.main.volume needs a value"},
        {{"set", "play.main.balance", "16"}, "takes a position from 0 (left) to 15 (right), not '16'"},
        {{"set", "play.linein.balance", "-1"}, "not '-1'"},
        {{"set", "play.main.mute", "5"}, "takes 0, 1, on, off, mute, unmute or toggle, not '5'"},
        {{"set", "play.mic.boost", "mute"}, "takes 0, 1, on, off or toggle, not 'mute'"},
        {{"set", "cd.digital", "5"}, "not '5'"},
        {{"set", "play.linein.mute", "1", "play.main.mute", "2"}, "not '2'"},
    };
    for (const Case& c : cases) {
        Outcome r = Cmd(c.words);
        EXPECT_EQ(r.status, kExitUsage) << c.words[1];
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(sim::CardState(), before) << "written by: set " << c.words[1];
    }
}

TEST_F(Checked, PercentagesAndStepsFollowTheControlsRange) {
    // 50% of 10..500 is 255; the louder channel takes it, the other keeps its ratio.
    Outcome r = Cmd({"set", "play.main.volume", "50%", "--", "get", "--percent", "play.main.volume"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.main.volume = 255 (50%)\nplay.main.volume = 50%\n");
    EXPECT_EQ(Master().values, (std::vector<LONG>{255, 127}));
    r = Cmd({"set", "play.main.volume", "+10%", "--", "set", "play.main.volume", "5-"});
    EXPECT_EQ(r.out, "play.main.volume = 304 (60%)\nplay.main.volume = 299\n");  // 10% of 490 is 49
    // Steps stop at the ends of the range.
    r = Cmd({"set", "play.main.volume", "+1000", "--", "set", "play.main.volume", "-100%", "--", "set",
             "play.main.volume", "1-"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.main.volume = 500\nplay.main.volume = 10 (0%)\nplay.main.volume = 10\n");
    EXPECT_EQ(Master().Value(0), 10);
}

TEST_F(Checked, SwitchesTakeWordsAndToggle) {
    Outcome r = Cmd({"set", "play.main.mute", "toggle", "--", "set", "play.main.mute", "toggle", "--", "set",
                     "play.main.mute", "mute", "play.main.mute", "unmute", "play.main.mute", "ON"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.main.mute = 1\nplay.main.mute = 0\nplay.main.mute = 1\nplay.main.mute = 0\nplay.main.mute = 1\n");
    EXPECT_EQ(Speakers().controls[1].Value(), 1);
    // One side's boost has no reader in the library: mixerctl reads the mixer.
    sim::Control& boost = *Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE)->Find(MIXERCONTROL_CONTROLTYPE_ONOFF);
    r = Cmd({"set", "play.mic.boost", "toggle"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.mic.boost = 1\n");
    EXPECT_EQ(boost.Value(), 1);
    r = Cmd({"set", "cd.digital", "on", "cd.digital", "toggle", "--", "get", "cd.digital"});
    EXPECT_EQ(r.out, "cd.digital = 1\ncd.digital = 0\ncd.digital = 0\n");
}

TEST_F(OnDefaultCard, BothBoostsAndSelectionsReadBack) {
    Outcome r = Cmd({"set", "mic.boost", "on", "rec.cd.select", "--", "set", "mic.boost", "toggle"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "mic.boost = 1\nrec.cd.select = 1\nmic.boost = 0\n");
    // Deselecting is not what a select path does.
    EXPECT_EQ(Cmd({"set", "rec.cd.select", "off"}).status, kExitUsage);
    EXPECT_EQ(Cmd({"set", "rec.mic.select", "on", "--", "get", "rec.mic.select"}).out, "rec.mic.select = 1\nrec.mic.select = 1\n");
    // A selection the selector does not take reads back as not selected.
    sim::Devices()[0].FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN)->Find(MIXERCONTROL_CONTROLTYPE_MUX)->ignoreWrites =
        true;
    const Outcome refused = Cmd({"set", "rec.cd.select"});
    EXPECT_EQ(refused.status, kExitFailure);
    EXPECT_EQ(refused.err, "mixerctl: set: rec.cd.select: asked 1, reads back 0 (the mixer did not take it)\n");
}

TEST_F(Checked, AWriteThatDoesNotArriveFails) {
    Outcome r = Cmd({"set", "play.waveout.volume", "2000", "--", "get", "play.main.volume"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "mixerctl: set: play.waveout.volume: asked 2000, reads back 1000 (the mixer did not take it)\n");
    EXPECT_EQ(r.out, "");  // the run stopped there
    r = Cmd({"set", "play.waveout.mute", "on"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "play.waveout.mute: asked 1, reads back 0")) << r.err;
    // Controls the library cannot reach are named before anything is written.
    r = Cmd({"set", "play.linein.volume", "7", "play.cd.volume", "100"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "play.cd.volume: the volume control of \"CD\" is disabled")) << r.err;
    EXPECT_EQ(LineVolume().Value(), 30000);
    r = Cmd({"set", "play.aux.mute", "1"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "mixer device 0 has no src.auxiliary line under dst.speakers")) << r.err;
}

TEST_F(Checked, BalanceFollowsTheLibrarysRuleAndIsReadFromTheChannels) {
    Outcome r = Cmd({"set", "play.linein.balance", "3", "play.main.balance", "12"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.linein.balance = 3\nplay.main.balance = 12\n");
    EXPECT_EQ(LineVolume().values, (std::vector<LONG>{30000, 12857}));
    EXPECT_EQ(Master().values, (std::vector<LONG>{171, 400}));
    // A balance the mixer does not take.
    LineVolume().ignoreWrites = true;
    r = Cmd({"set", "play.linein.balance", "0"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "asked 0 (levels 30000 and 0), the channels hold 30000 and 12857")) << r.err;
    // One level for all channels, or one channel: no balance.
    Master().flags |= MIXERCONTROL_CONTROLF_UNIFORM;
    Master().values.resize(1);
    r = Cmd({"set", "play.main.balance", "3"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "\"Speakers\" has one level for all channels: there is no balance to set")) << r.err;
    EXPECT_EQ(Master().values, (std::vector<LONG>{171}));  // unchanged
    Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->channels = 1;
    LineVolume().values.resize(1);
    r = Cmd({"set", "play.linein.balance", "3"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "the volume control of \"Line\" has one channel: there is no balance to set")) << r.err;
    EXPECT_EQ(LineVolume().values, (std::vector<LONG>{30000}));
}

TEST_F(Checked, GetFailsOnTheLibrarysFailureValue) {
    Outcome r = Cmd({"get", "play.cd.volume"});  // disabled: the library reads -1
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mixerctl: get: play.cd.volume: the library could not read it (result -1)\n");
    r = Cmd({"get", "--json", "--percent", "play.main.volume", "play.cd.volume", "play.main.mute"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(R"([
        {"path": "play.main.volume", "value": 400, "percent": 80},
        {"path": "play.cd.volume", "value": null, "percent": null},
        {"path": "play.main.mute", "value": 0}])"));
    // A level the mixer lacks is absent, percentage or not.
    r = Cmd({"get", "--percent", "play.aux.volume"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.out, "play.aux.volume = absent\n");
    EXPECT_TRUE(Has(r.err, "play.aux.volume: absent: mixer device 0 has no src.auxiliary line")) << r.err;
}

TEST_F(CtlTest, WithoutAMixerEveryCommandOfTheLibraryFails) {
    sim::LoadCardText(R"({"devices": []})", "no mixer");
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"get", "play.main.volume"},
                                               {"set", "play.main.volume", "5"},
                                               {"set", "play.main.mute", "toggle"},
                                               {"save", Path("x.ini")},
                                               {"peak", "speakers"}}) {
        Outcome r = Cmd(words);
        EXPECT_EQ(r.status, kExitFailure) << words[0];
        EXPECT_EQ(r.out, "") << words[0];
    }
    EXPECT_TRUE(Has(Cmd({"save", Path("x.ini")}).err, "save: there is no mixer device: the simulated card has none; nothing saved"));
    EXPECT_EQ(Cmd({"get", "play.main.mute"}).err, "mixerctl: get: there is no mixer device: the simulated card has none (the library reads -1)\n");
    EXPECT_EQ(Read("x.ini"), "");
    EXPECT_NE(access(Path("x.ini").c_str(), F_OK), 0) << "save left a file";
}

TEST_F(OnDefaultCard, SaveNamesTheFileAndTheReason) {
    Outcome r = Cmd({"save", Path("no/such/dir.ini")});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "mixerctl: save: cannot write " + Path("no/such/dir.ini") + ": No such file or directory\n");
    r = Cmd({"save", dir_});
    EXPECT_EQ(r.err, "mixerctl: save: cannot write " + dir_ + ": Is a directory\n");
    // The disk fails under the library: the file mixerctl's check created goes again.
    sim::FileFaults faults;
    faults.writeFails = true;
    sim::SetFileFaults(faults);
    r = Cmd({"save", Path("new.ini")});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "the library could not save the mixer settings to " + Path("new.ini"))) << r.err;
    EXPECT_NE(access(Path("new.ini").c_str(), F_OK), 0);
}

TEST_F(Checked, RestoreRefusesAFileTheLibraryWouldMisreadAndChangesNothing) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"MAIN=abc\r\nLINEIN=99999999\r\n", "line 1: 'abc' for MAIN in [PLAY MUTE] is not a decimal number (and 1 more)"},
        {"LINEIN=99999999\r\n", "line 1: LINEIN=99999999 in [PLAY MUTE]: play.linein.mute takes 0 or 1"},
        {"[PLAY VOLUME]\r\nMAIN=501\r\n", "MAIN=501 in [PLAY VOLUME] is outside the range of play.main.volume, 10..500"},
        {"[PLAY VOLUME]\r\nMAIN=-1\r\n", "marks a value 'save' could not read; the library would write 0 to play.main.volume"},
        {"[PLAY VOLUME]\r\nMAIN=\r\n", "holds no mixer settings (sections such as [PLAY VOLUME]"},
        {"hello\r\n", "holds no mixer settings (line 1: 'hello' comes before any key)"},
        {"", "is empty"},
    };
    const nlohmann::json before = sim::CardState();
    for (const Case& c : cases) {
        Write("bad.ini", c.text);
        Outcome r = Cmd({"restore", Path("bad.ini")});
        EXPECT_EQ(r.status, kExitFailure) << c.text;
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
        EXPECT_TRUE(Has(r.err, "nothing restored")) << r.err;
        EXPECT_EQ(sim::CardState(), before) << c.text;
    }
    Write("long.ini", "[PLAY VOLUME]\r\nMAIN=300\r\n" + std::string(5000, '\n'));
    Outcome r = Cmd({"restore", Path("long.ini")});
    EXPECT_TRUE(Has(r.err, "holds 5025 bytes; the library reads only the first 4096")) << r.err;
    r = Cmd({"restore", dir_});
    EXPECT_EQ(r.err, "mixerctl: restore: cannot read " + dir_ + ": Is a directory\n");
    EXPECT_EQ(sim::CardState(), before);
}

TEST_F(Checked, RestoreAppliesAndReadsBack) {
    // Save's -1 where the library writes nothing: a selection, a disabled
    // control, a line the card lacks.
    Write("ok.ini", "[PLAY VOLUME]\r\nMAIN=300\r\nCD=-1\r\nAUX=-1\r\n[PLAY MUTE]\r\nMAIN=1\r\n[REC SELECT]\r\nMIC=-1\r\n");
    Outcome r = Cmd({"restore", Path("ok.ini")});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "restored mixer settings from " + Path("ok.ini") + "\n");
    EXPECT_EQ(Master().Value(0), 300);
    EXPECT_EQ(Speakers().controls[1].Value(), 1);
    // The library applies the file; a value the mixer does not take is reported.
    Write("wave.ini", "[PLAY VOLUME]\r\nWAVEOUT=2000\r\nMAIN=250\r\n");
    r = Cmd({"restore", Path("wave.ini")});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(Has(r.err, "the mixer did not take every value: play.waveout.volume should be 2000, reads 1000")) << r.err;
    EXPECT_EQ(Master().Value(0), 250);
}

TEST_F(OnDefaultCard, ScriptsFromStandardInputAndUnreadableScripts) {
    std::istringstream input("set play.aux.volume 50%\nget --percent play.aux.volume\n");
    std::streambuf* previous = std::cin.rdbuf(input.rdbuf());
    Outcome r = Cmd({"script", "-"});
    std::cin.rdbuf(previous);
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "play.aux.volume = 32768 (50%)\nplay.aux.volume = 50%\n");

    std::istringstream bad("get play.aux.volume\nget nothing\n");
    previous = std::cin.rdbuf(bad.rdbuf());
    r = Cmd({"script", "-"});
    std::cin.rdbuf(previous);
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_TRUE(Has(r.err, "mixerctl: standard input:2: 'nothing' is not a property path")) << r.err;

    r = Cmd({"script", dir_});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "mixerctl: script: cannot read " + dir_ + ": Is a directory\n");
    r = Cmd({"script", Path("none.txt")});
    EXPECT_EQ(r.err, "mixerctl: script: cannot read " + Path("none.txt") + ": No such file or directory\n");
}

TEST_F(OnDefaultCard, AFailedWriteOfStandardOutputFails) {
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full) GTEST_SKIP() << "no /dev/full";
    for (const std::vector<std::string>& words :
         std::vector<std::vector<std::string>>{{"get", "play.main.volume"}, {"list", "--json", "--all"}}) {
        StdoutBuffer buffer(full);
        std::ostream out(&buffer);
        std::ostringstream err;
        EXPECT_EQ(RunCommands(words, out, err), kExitFailure) << words[0];
        EXPECT_EQ(err.str(), "mixerctl: cannot write standard output: No space left on device\n");
        EXPECT_EQ(buffer.Failure(), ENOSPC);
    }
    std::fclose(full);
}

TEST_F(OnDefaultCard, JsonShapes) {
    Speakers().Find(MIXERCONTROL_CONTROLTYPE_PEAKMETER)->SetAll(-1200);
    sim::StopLiveMeters();
    Outcome r = Cmd({"peak", "--json", "speakers", "--", "call", "--json", "GetTavrinDirectory", "--", "call", "--json",
                     "SetCDTypeDigital", "5"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "{\"componentType\":4,\"type\":\"dst.speakers\",\"value\":1200}\n"
              "{\"export\":\"GetTavrinDirectory\",\"result\":1,\"text\":\"C:\\\\TAVRIN\\\\\"}\n"
              "{\"export\":\"SetCDTypeDigital\",\"result\":1,\"text\":null}\n");
    r = Cmd({"peak", "--json", "main", "--watch", "--count", "2", "--interval", "1"});
    EXPECT_EQ(r.out, "{\"componentType\":4,\"type\":\"dst.speakers\",\"value\":1200}\n"
                     "{\"componentType\":4,\"type\":\"dst.speakers\",\"value\":1200}\n");

    // exports: the ordinals are the .def file's.
    r = Cmd({"exports", "--json"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    nlohmann::json exports = nlohmann::json::parse(r.out);
    ASSERT_EQ(exports.size(), 91u);
    std::ifstream def(MIXER_DEF_FILE);
    const std::regex entry(R"(^;?\s*(\w+)\s*=\s*\w+@(\d+)\s+@(\d+)\s*$)");
    std::map<std::string, std::pair<int, int>> want;  // name -> ordinal, stack bytes
    std::string line;
    while (std::getline(def, line)) {
        std::smatch m;
        if (std::regex_match(line, m, entry)) want[m[1]] = {std::stoi(m[3]), std::stoi(m[2])};
    }
    for (const nlohmann::json& e : exports) {
        const std::string name = e["name"];
        ASSERT_TRUE(want.count(name)) << name;
        EXPECT_EQ(e["ordinal"], want[name].first) << name;
        EXPECT_EQ(e["stackBytes"], want[name].second) << name;
        EXPECT_EQ(e["present"], true);
        EXPECT_TRUE(e["arguments"].is_string());
    }
    // sources keeps its shape.
    r = Cmd({"sources", "--json"});
    nlohmann::json s = nlohmann::json::parse(r.out);
    EXPECT_EQ(s["name"], "Recording Source");
    EXPECT_EQ(s["single"], true);
    EXPECT_EQ(s["items"][1], nlohmann::json::parse(R"({"index": 1, "text": "Microphone", "selected": true})"));
}

TEST_F(Checked, PeakNamesALineWithoutAMeter) {
    Outcome r = Cmd({"peak", "linein"});
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_EQ(r.err, "mixerctl: peak: \"Line\" (src.line) has no peak meter\n");
    r = Cmd({"peak", "aux"});
    EXPECT_EQ(r.err, "mixerctl: peak: mixer device 0 has no src.auxiliary line\n");
}

TEST_F(OnDefaultCard, HelpListsEveryPath) {
    Outcome r = Cmd({"help", "paths"});
    EXPECT_EQ(r.status, kExitOk);
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> listed;
    while (std::getline(lines, line)) listed.push_back(line.substr(0, line.find(' ')));
    std::vector<std::string> want;
    for (const PropertyPath& p : AllPaths()) want.push_back(p.path);
    EXPECT_EQ(listed, want);
    EXPECT_TRUE(Has(r.out, "play.main.balance     set       position 0..15\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "play.main.volume      get,set   level\n")) << r.out;
}
