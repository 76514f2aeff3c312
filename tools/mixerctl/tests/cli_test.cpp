// The program as a shell runs it: exit statuses, what goes to standard
// output and standard error, options of the whole run.
#include "ctl_fixture.h"

#include "command_table.h"

#include <cstdlib>
#include <regex>

namespace {

struct Ran {
    int status;
    std::string out, err;
};

class Cli : public CtlTest {
protected:
    // Runs mixerctl in the test's directory with `args` as a shell would
    // split them, `input` on standard input and standard output sent to
    // `stdoutTarget`.
    Ran Mixerctl(const std::string& args, const std::string& input = "", const std::string& stdoutTarget = "stdout.txt") {
        Write("stdin.txt", input);
        Write("stdout.txt", "");
        const std::string cmd = "cd '" + dir_ + "' && '" MIXERCTL_BINARY "' " + args +
                                " <stdin.txt >" + stdoutTarget + " 2>stderr.txt; echo $? >status.txt";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "could not run " << cmd;
        return {std::atoi(Read("status.txt").c_str()), Read("stdout.txt"), Read("stderr.txt")};
    }
};

}  // namespace

TEST_F(Cli, VersionNamesTheProgramAndTheLibrary) {
    Ran r = Mixerctl("--version");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "mixerctl " MIXERCTL_VERSION "\nMIXER library " MIXER_LIBRARY_VERSION
                     " (linked in, on the simulated platform)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Mixerctl("--version get play.main.volume").status, 2);
}

TEST_F(Cli, QuietPrintsNothingButErrors) {
    Ran r = Mixerctl("-q set play.main.volume 50% -- get --json play.main.volume -- list");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    r = Mixerctl("--quiet get play.main.volume -- get nothing.here");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
}

TEST_F(Cli, ErrorsGoToStandardErrorOnly) {
    Ran r = Mixerctl("set play.main.volume 70000 -- get play.main.volume");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mixerctl: set: play.main.volume: 70000 is outside the control's range 0..65535 "
                     "(a percentage, 0% to 100%, spans it)\n");
    r = Mixerctl("--card '" + dir_ + "' list");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "mixerctl: cannot read card " + dir_ + ": Is a directory\n");
}

TEST_F(Cli, AFullStandardOutputIsAFailure) {
    Ran r = Mixerctl("get play.main.volume", "", "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "mixerctl: cannot write standard output: No space left on device\n");
    r = Mixerctl("--help", "", "/dev/full");
    EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, ScriptFromStandardInputAndStateBetweenRuns) {
    Ran r = Mixerctl("--state s.json script -", "set play.main.mute toggle\nset play.main.volume 20%\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "play.main.mute = 1\nplay.main.volume = 13107 (20%)\n");
    r = Mixerctl("--state s.json get --percent play.main.volume play.main.mute");
    EXPECT_EQ(r.out, "play.main.volume = 20%\nplay.main.mute = 1\n");
    r = Mixerctl("--state '" + dir_ + "' get play.main.mute");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "mixerctl: --state: cannot write " + dir_ + ": Is a directory\n");
}

TEST_F(Cli, GlobalOptionsComeBeforeTheFirstCommand) {
    struct Case {
        const char* args;
        int status;
        const char* err;
    } cases[] = {
        {"--bogus get play.main.volume", 2, "mixerctl: unknown option --bogus (see 'mixerctl --help')\n"},
        {"--card", 2, "mixerctl: --card: "},
        {"", 2, "mixerctl: no command (see 'mixerctl --help')\n"},
        {"-q -- get play.main.volume", 0, ""},
        {"--dll x.dll get play.main.volume", 2, "mixerctl: --dll works only in the Windows build\n"},
        {"-V list", 2, "mixerctl: --version takes no command\n"},
    };
    for (const Case& c : cases) {
        const Ran r = Mixerctl(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << c.args << ": " << r.err;
    }
    // --help anywhere among the options: the quick reference, from the table.
    const Ran help = Mixerctl("-q --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("\n  -V, --version  the program's and the library's versions\n"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("\n  peak [--json] TYPE [--watch [--count N] [--interval MS]]"), std::string::npos);
}

// A wrong command line, or a value out of its range, exits with 2 whatever
// the command, and says what it takes.
TEST_F(Cli, UsageErrorsExitWithTwo) {
    struct Case {
        const char* args;
        const char* err;
    } cases[] = {
        {"list --device -1", "mixerctl: list: no mixer device -1 (there are 1)\n"},
        {"list --device 1", "mixerctl: list: no mixer device 1 (there are 1)\n"},
        {"list --all --device 0", "mixerctl: list: --device and --all go alone\n"},
        {"info --bogus", "mixerctl: info: the following argument was not expected: --bogus\n"},
        {"-x list", "mixerctl: unknown option -x (see 'mixerctl --help')\n"},
        {"peak main --watch --interval 0", "mixerctl: peak: --count from 0 (no end), --interval from 1 to 60000 ms\n"},
        {"cd play x", "mixerctl: cd play: PlayCD: TRACK must be a 32-bit integer, not 'x' (takes TRACK)\n"},
        {"set play.main.balance 16", "mixerctl: set: play.main.balance takes a position from 0 (left) to 15 (right), "
                                     "not '16'\n"},
        // peak names every type it takes.
        {"peak nosuch", "mixerctl: peak: unknown line type 'nosuch': give a line word (linein, mic, cd, waveout, aux, "
                        "digital, analog, main), a destination (monitor, speakers, headphones, wavein, voicein), a "
                        "source (undefined, digital, line, microphone, synthesizer, compactdisc, telephone, pcspeaker, "
                        "waveout, auxiliary, analog; dst.NAME and src.NAME name either), or a component type number "
                        "(decimal or 0x hex)\n"},
    };
    for (const Case& c : cases) {
        const Ran r = Mixerctl(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
}

// --help names every option of the program and every command's synopsis,
// and says that numbers may be hexadecimal.
TEST_F(Cli, HelpNamesEveryOption) {
    const Ran r = Mixerctl("--help");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const mixerctl::GlobalOption& o : mixerctl::kGlobalOptions) {
        const std::string name = std::string(o.shortName[0] ? std::string(o.shortName) + ", " : "") + o.longName;
        EXPECT_NE(r.out.find("\n  " + name + " "), std::string::npos) << name;
    }
    for (const mixerctl::Command& c : mixerctl::kCommands)
        EXPECT_NE(r.out.find("\n  " + std::string(c.usage) + " "), std::string::npos) << c.usage;
    EXPECT_NE(r.out.find("hexadecimal after 0x"), std::string::npos) << r.out;
    EXPECT_EQ(Mixerctl("-h").out, r.out);
}

// A card file that is no card, or no JSON: plain words with its line and
// column, and exit status 1.
TEST_F(Cli, CardFileErrorsNameLineAndColumn) {
    Write("text.json", "devices: none\n");
    Write("list.json", "[\n  {\"name\": \"x\"}\n]\n");
    Write("field.json", "{\"devices\": [\n  {\"name\": \"x\", \"destinations\": [], \"colour\": 1}\n]}\n");
    const struct {
        const char* file;
        const char* err;
    } cases[] = {
        {"text.json", "text.json: line 1, column 1: not valid JSON: unexpected 'devices'\n"},
        {"list.json", "list.json: line 1, column 1: card: must be an object\n"},
        {"field.json", "field.json: line 2, column 3: devices[0]: unknown field 'colour'\n"},
    };
    for (const auto& c : cases) {
        const Ran r = Mixerctl("--card " + Path(c.file) + " list");
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "mixerctl: " + Path(c.err)) << c.file;
    }
}

// --trace: the library's lines of each command on standard error, after the
// command; standard output as without it.
TEST_F(Cli, TraceShowsTheLibrarysLinesOfEachCommand) {
    const std::string commands = "set play.main.volume 50% -- get play.main.mute";
    const Ran plain = Mixerctl(commands);
    const Ran traced = Mixerctl("--trace " + commands);
    EXPECT_EQ(traced.status, 0) << traced.err;
    EXPECT_EQ(traced.out, plain.out);
    EXPECT_EQ(plain.err, "");
    std::istringstream in(traced.err);
    std::vector<std::string> calls;
    for (std::string line; std::getline(in, line);) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, std::regex(R"(MIXER\[\d+\] (\w+\(-?\d*\) = -?\d+) \| .*)"))) << line;
        calls.push_back(m[1]);
    }
    // set writes, then reads back; get reads.
    EXPECT_EQ(calls, (std::vector<std::string>{"SetPlayMainVolume(32768) = 1", "GetPlayMainVolume() = 32768",
                                               "GetPlayMainMute() = 0"}));
    EXPECT_NE(traced.err.find(" | mixerSetControlDetails(0x0, 0x0, control "), std::string::npos);
    // The codes of failed file requests, named for a person.
    const Ran missing = Mixerctl("--trace call Set " + Path("none.ini"));
    EXPECT_NE(missing.err.find(") = 0xffffffff, error 2 (ERROR_FILE_NOT_FOUND)"), std::string::npos) << missing.err;
}

// Only a whole word's code is named, and only one the tables know; a
// driver's MCI code by its low word.
TEST(TraceNames, ErrorAndMciCodes) {
    const struct {
        const char* line;
        const char* named;
    } cases[] = {
        {"= 0, error 5, 0 read", "= 0, error 5 (ERROR_ACCESS_DENIED), 0 read"},
        {"= 1, error 0 | x", "= 1, error 0 | x"},
        {"= mcierr 276, device 0", "= mcierr 276 (MCIERR_DEVICE_NOT_READY), device 0"},
        {"mcierr 65812", "mcierr 65812 (MCIERR_DEVICE_NOT_READY)"},
        {"\"terror 2\" error 9999 error x", "\"terror 2\" error 9999 error x"},
    };
    for (const auto& c : cases) EXPECT_EQ(mixer_names::NameTraceCodes(c.line), c.named);
}

// A machine that is not ready, and refusals, in order (the --state cases share
// their file): exit status and words; "~": the output holds that text.
TEST_F(Cli, UnreadyMachinesAndRefusalsInWords) {
    Write("empty.json", R"({"devices": []})");
    const std::string wine = "--card '" MIXER_CARDS_DIR "/wine.json' ";
    const std::string none = "there is no mixer device: the simulated card has none";
    const struct {
        std::string args;
        int status;
        std::string out, err;
    } cases[] = {
        {"--card empty.json info", 1, "platform: the simulated Windows platform\nmixer devices:\n  none\n",
         "mixerctl: info: " + none + "\n"},
        {"--card empty.json info --json", 1, "~\"families\": [],\n  \"platform\"", "mixerctl: info: " + none + "\n"},
        {"--card empty.json list", 1, "", "mixerctl: list: " + none + "\n"},
        {wine + "get play.waveout.volume", 1, "play.waveout.volume = ?\n",
         "mixerctl: get: play.waveout.volume: no value: the mixer keeps none for the volume control of \"Master "
         "Volume\" (a read leaves its buffer as it was; 'list' shows ?)\n"},
        {wine + "get --json play.waveout.volume", 1, "~\"noValue\": \"no value: the mixer keeps none", "~no value"},
        {wine + "set play.main.volume 10 play.waveout.volume 5", 1, "", "~set: play.waveout.volume: no value: "},
        {"--state s.json set rec.linein.select 1 rec.cd.select 1", 1, "",
         "mixerctl: set: rec.linein.select and rec.cd.select: the recording selector takes one source at a time "
         "(IsMuxSingleSelect), so the second would undo the first; nothing written\n"},
        {"--state s.json sources", 0, "~  * 1 \"Microphone\"", ""},
        {"--state nodir/s.json set play.main.volume 10", 1, "",
         "mixerctl: --state: cannot write nodir/s.json: No such file or directory\n"},
        {"--state s.json set play.main.volume 10 -- save nodir/x.ini", 1, "",
         "mixerctl: save: cannot write nodir/x.ini: No such file or directory\n"},
        {"--state s.json get play.main.volume", 0, "play.main.volume = 49152\n", ""},
        {"set play.main.volume 5x", 2, "",
         "mixerctl: set: play.main.volume takes a level: N in the control's units, N% (0 to 100), or a step: +N, N+, "
         "N-, +N%, -N%, N%+ or N%-, not '5x'\n"},
        {"set play.main.volume 5%+", 0, "play.main.volume = 52429 (80%)\n", ""},
        {"--card a.json --card b.json list", 2, "", "mixerctl: --card given 2 times: give it once (see 'mixerctl --help')\n"},
        {"cd play 3", 1, "PlayCD = 3075\n", "mixerctl: cd play: MCI error 3075: no CD device is open (the library's own code)\n"},
    };
    for (const auto& c : cases) {
        const Ran r = Mixerctl(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        for (const auto& [got, want] : {std::pair{r.out, c.out}, std::pair{r.err, c.err}}) {
            if (want.rfind('~', 0) == 0) EXPECT_NE(got.find(want.substr(1)), std::string::npos) << c.args << "\n" << got;
            else EXPECT_EQ(got, want) << c.args;
        }
    }
}

// MCI codes in words: the table's ends and gaps, the driver's own range.
TEST(MciWords, EveryCodeIsNamed) {
    const std::pair<long, std::string> cases[] = {{257, "invalid device id (MCIERR_INVALID_DEVICE_ID)"},
        {312, "no integer (MCIERR_NO_INTEGER)"}, {512, "a code of the driver's own"}, {258, "a code MCI does not define"},
        {313, "a code MCI does not define"}, {256, "a code MCI does not define"}};
    for (const auto& [code, words] : cases) EXPECT_EQ(mixer_names::MciErrorWords(code), words) << code;
}
