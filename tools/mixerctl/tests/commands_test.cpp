// Commands end to end on the default card: what they print, what they do to
// the simulated card, and how they fail.
#include "ctl_fixture.h"

#include "mixerctl.h"

#include <sstream>

using namespace mixerctl;

namespace {

sim::Destination& Speakers() { return *sim::Devices()[0].FindDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }
sim::Destination& WaveIn() { return *sim::Devices()[0].FindDestination(MIXERLINE_COMPONENTTYPE_DST_WAVEIN); }

class CommandTest : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        sim::LoadCardText(DefaultCardText(), "default card");
    }
};

}  // namespace

TEST_F(CommandTest, SetWritesTheCardAndGetReadsIt) {
    Outcome r = Cmd({"set", "play.linein.volume", "1234", "--", "get", "play.linein.volume"});
    EXPECT_EQ(r.status, 0) << r.err;
    // set prints the value it read back.
    EXPECT_EQ(r.out, "play.linein.volume = 1234\nplay.linein.volume = 1234\n");
    sim::Control* v = Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(v->Value(0), 1234);
    EXPECT_EQ(v->Value(1), 1234);
    // The recording side's line-in is another line.
    EXPECT_NE(WaveIn().FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->Value(0), 1234);
}

TEST_F(CommandTest, SemicolonsSeparateCommandsToo) {
    Outcome r = Cmd({"set", "play.main.mute", "1;", "get", "play.main.mute", ";", "get", "play.aux.mute"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "play.main.mute = 1\nplay.main.mute = 1\nplay.aux.mute = 1\n");
    EXPECT_EQ(Speakers().Find(MIXERCONTROL_CONTROLTYPE_MUTE)->Value(), 1);
}

TEST_F(CommandTest, SelectingARecordingSourceShowsInSources) {
    Outcome r = Cmd({"set", "rec.cd.select", "--", "sources", "--", "get", "rec.cd.select", "rec.mic.select"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(mux, single select)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  * 2 \"CD Audio\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    1 \"Microphone\"\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("rec.cd.select = 1\nrec.mic.select = 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(WaveIn().Find(MIXERCONTROL_CONTROLTYPE_MUX)->values, (std::vector<LONG>{0, 0, 1, 0, 0, 0}));
}

TEST_F(CommandTest, ListJsonMatchesTheCard) {
    Speakers().Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->SetValue(111, 1);
    sim::Control* waveMute = Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT)->Find(MIXERCONTROL_CONTROLTYPE_MUTE);
    waveMute->leaveUnfilled = true;
    Outcome r = Cmd({"list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["name"], "AX-16 Wave Mixer");
    ASSERT_EQ(j["destinations"].size(), 2u);
    const nlohmann::json& sp = j["destinations"][0];
    EXPECT_EQ(sp["type"], "dst.speakers");
    EXPECT_EQ(sp["controls"][0]["type"], "volume");
    EXPECT_EQ(sp["controls"][0]["values"], nlohmann::json::parse("[[49152], [111]]"));
    EXPECT_EQ(sp["controls"][1]["flags"], nlohmann::json::parse(R"(["uniform"])"));
    EXPECT_EQ(sp["sources"].size(), 5u);
    EXPECT_EQ(sp["sources"][3]["type"], "src.waveout");
    EXPECT_TRUE(sp["sources"][3]["controls"][1]["values"][0][0].is_null());  // left unfilled
    const nlohmann::json& mux = j["destinations"][1]["controls"][1];
    EXPECT_EQ(mux["type"], "mux");
    EXPECT_EQ(mux["texts"][5], "Digital In");
    EXPECT_EQ(mux["values"], nlohmann::json::parse("[[0, 1, 0, 0, 0, 0]]"));
}

TEST_F(CommandTest, ListTreeShowsUnfilledValuesAsQuestionMarks) {
    Speakers().Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->firstChannelOnly = true;
    Outcome r = Cmd({"list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"Master Volume\" volume range 0..65535: 49152 ?\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("      item 1 \"Microphone\": 1\n"), std::string::npos) << r.out;
}

TEST_F(CommandTest, SaveAndRestoreGoThroughTheSettingsFile) {
    const std::string file = Path("mixer.ini");
    Outcome r = Cmd({"set", "play.cd.volume", "2570", "--", "save", file, "--", "set", "play.cd.volume", "9999", "--",
                 "restore", file, "--", "get", "play.cd.volume"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Read("mixer.ini").find("CD=2570\r\n"), std::string::npos) << Read("mixer.ini");
    EXPECT_NE(r.out.find("play.cd.volume = 2570\n"), std::string::npos) << r.out;
    Outcome missing = Cmd({"restore", Path("none.ini")});
    EXPECT_EQ(missing.status, kExitFailure);
    EXPECT_NE(missing.err.find("cannot read " + Path("none.ini") + ": No such file or directory"), std::string::npos)
        << missing.err;
}

TEST_F(CommandTest, CallPrintsResultsAndBufferText) {
    Outcome r = Cmd({"call", "GetMixerRecordChannels", "255", "--", "call", "GetTavrinDirectory", "--", "call",
                 "SetCDTypeDigital", "0x10", "--", "call", "getcdtypedigital"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "GetMixerRecordChannels = 0 \"AX-16 Wave Mixer|Line In|Microphone|CD Audio|Aux|Analog Mix|Digital In|\"\n"
              "GetTavrinDirectory = 1 \"C:\\TAVRIN\\\"\n"
              "SetCDTypeDigital = 1\n"
              "GetCDTypeDigital = 16\n");
}

TEST_F(CommandTest, PeakReadsTheMeter) {
    Speakers().Find(MIXERCONTROL_CONTROLTYPE_PEAKMETER)->SetAll(-1200);
    sim::StopLiveMeters();  // keep the reading as set
    Outcome r = Cmd({"peak", "speakers", "--", "peak", "main", "--watch", "--count", "2", "--interval", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "peak dst.speakers = 1200\n1200\n1200\n");
}

TEST_F(CommandTest, CdCommandsDriveTheCdPlayer) {
    Outcome r = Cmd({"cd", "open", "--", "cd", "play", "2", "--", "cd", "stop", "--", "cd", "close"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "OpenCD = 0\nPlayCD = 0\nStopCD = 0\nCloseCD = 0\n");
    Outcome stopped = Cmd({"cd", "stop"});  // nothing open
    EXPECT_EQ(stopped.status, kExitFailure);
    EXPECT_NE(stopped.err.find("MCI error"), std::string::npos) << stopped.err;
}

TEST_F(CommandTest, ErrorsStopTheRunWithAStatus) {
    Outcome r = Cmd({"set", "play.linein.volume", "5", "--", "get", "play.main.balance", "--", "set", "play.cd.volume", "6"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("play.main.balance can only be set"), std::string::npos) << r.err;
    EXPECT_EQ(Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_LINE)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->Value(), 5);
    EXPECT_EQ(Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->Value(), 40960);

    // A set with one bad path writes nothing at all.
    Outcome partial = Cmd({"set", "play.cd.volume", "7", "play.cd.volume", "x"});
    EXPECT_EQ(partial.status, kExitUsage);
    EXPECT_EQ(Speakers().FindSource(MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC)->Find(MIXERCONTROL_CONTROLTYPE_VOLUME)->Value(), 40960);

    EXPECT_EQ(Cmd({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Cmd({"call", "NoSuchExport"}).status, kExitUsage);
    EXPECT_EQ(Cmd({"set", "rec.mic.select", "0"}).status, kExitUsage);
    EXPECT_EQ(Cmd({}).status, kExitUsage);
    EXPECT_EQ(Cmd({"list", "--device", "3"}).status, kExitUsage);
    EXPECT_EQ(Cmd({"list", "--device", "-1"}).status, kExitUsage);
}

TEST_F(CommandTest, HelpForEachCommand) {
    for (const char* c : {"list", "info", "get", "set", "call", "exports", "save", "restore", "sources", "peak", "cd", "script",
                          "help"}) {
        Outcome r = Cmd({c, "--help"});
        EXPECT_EQ(r.status, 0) << c;
        EXPECT_EQ(r.out.rfind(std::string("usage: mixerctl ") + c, 0), 0u) << r.out;
    }
}

TEST_F(CommandTest, ScriptsRunLineByLine) {
    Write("s.txt", "# comment\n\nset play.aux.volume 257   # trailing comment\r\nget play.aux.volume\ncall SetMixer 4 2 514 \"\" 0\n");
    Outcome r = Cmd({"script", Path("s.txt"), "--", "get", "play.main.volume"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "play.aux.volume = 257\nplay.aux.volume = 257\nSetMixer = 1\nplay.main.volume = 514\n");

    Write("bad.txt", "get play.aux.volume\nget nothing.here\nget play.aux.mute\n");
    Outcome stop = Cmd({"script", Path("bad.txt")});
    EXPECT_EQ(stop.status, kExitUsage);
    EXPECT_NE(stop.err.find("bad.txt:2: "), std::string::npos) << stop.err;
    EXPECT_EQ(stop.out, "play.aux.volume = 257\n");
    Outcome keep = Cmd({"script", "--keep-going", Path("bad.txt")});
    EXPECT_EQ(keep.status, kExitUsage);
    EXPECT_EQ(keep.out.substr(0, 22), "play.aux.volume = 257\n");
    EXPECT_NE(keep.out.find("error: "), std::string::npos);
    EXPECT_NE(keep.out.find("play.aux.mute = 1\n"), std::string::npos) << keep.out;
}

TEST(ScriptLines, SplitOnBlanksWithQuotesAndComments) {
    EXPECT_EQ(SplitScriptLine("  set  a 1 "), (std::vector<std::string>{"set", "a", "1"}));
    EXPECT_EQ(SplitScriptLine("call SetMixer 4 1 0 \"Master Volume\" 1"),
              (std::vector<std::string>{"call", "SetMixer", "4", "1", "0", "Master Volume", "1"}));
    EXPECT_EQ(SplitScriptLine("call X \"\" # c"), (std::vector<std::string>{"call", "X", ""}));
    EXPECT_EQ(SplitScriptLine("call X \"C:\\dir\\\""), (std::vector<std::string>{"call", "X", "C:\\dir\\"}));
    EXPECT_EQ(SplitScriptLine("a#b"), (std::vector<std::string>{"a#b"}));
    EXPECT_TRUE(SplitScriptLine("# only").empty());
    EXPECT_THROW(SplitScriptLine("call \"open"), UsageError);
}

// Each command's options as CLI11 reads them from its synopsis.
TEST_F(CommandTest, OptionsAsTheSynopsisNamesThem) {
    struct Case {
        std::vector<std::string> words;
        int status;
        const char* shown;  // in standard output (status 0) or standard error
    } cases[] = {
        {{"list", "--bogus"}, kExitUsage, "mixerctl: list: the following argument was not expected: --bogus\n"},
        {{"list", "--device"}, kExitUsage, "mixerctl: list: --device: "},
        {{"list", "--device=0", "--json"}, kExitOk, "\"name\": \"AX-16 Wave Mixer\""},
        {{"list", "--device", "x"}, kExitUsage, "--device must be a 32-bit integer, not 'x'"},
        {{"sources", "extra"}, kExitUsage, "sources: unexpected argument 'extra'"},
        // Words that start with "-" and a digit are values, not options.
        {{"set", "play.main.volume", "-5%"}, kExitOk, "play.main.volume = 45875 (70%)\n"},
        {{"set", "play.main.volume", "-1"}, kExitUsage, "-1 is outside the control's range 0..65535"},
        // call takes its options before the export's name only.
        {{"call", "--json", "GetCDTypeDigital"}, kExitOk, "{\"export\":\"GetCDTypeDigital\",\"result\":0,\"text\":null}\n"},
        {{"call", "SetCDTypeDigital", "--json"}, kExitUsage, "SetCDTypeDigital: VALUE must be a 32-bit integer, not '--json'"},
        {{"peak", "--count", "2", "speakers"}, kExitUsage, "peak: --count and --interval go with --watch"},
        {{"script", "--keep-going"}, kExitUsage, "script: give one FILE ('-' for standard input)"},
        {{"help", "set", "get"}, kExitUsage, "help: unexpected argument 'get'"},
    };
    for (const Case& c : cases) {
        const Outcome r = Cmd(c.words);
        EXPECT_EQ(r.status, c.status) << c.words[0] << " " << c.words[1] << ": " << r.err;
        EXPECT_NE((c.status == kExitOk ? r.out : r.err).find(c.shown), std::string::npos)
            << c.words[0] << " " << c.words[1] << ":\n" << r.out << r.err;
    }
}
