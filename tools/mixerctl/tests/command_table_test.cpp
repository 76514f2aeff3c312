// The command table: what the synopses say of each command's options and
// words, and the manual page, completion and help written from it at build
// time by generate_docs.
#include "command_table.h"
#include "ctl_fixture.h"

#include <set>

using namespace mixerctl;

namespace {

const Command& Find(const std::string& name) {
    for (const Command& c : kCommands)
        if (name == c.name) return c;
    throw std::logic_error("no command " + name);
}

std::string OptionList(const std::string& usage) {
    std::string out;
    for (const UsageOption& o : UsageOptions(usage)) out += o.name + (o.value.empty() ? "" : "=" + o.value) + " ";
    return out;
}

std::string Words(const std::string& usage) {
    std::string out;
    for (const std::string& w : FirstArgumentWords(usage)) out += w + " ";
    return out;
}

}  // namespace

TEST(CommandTable, SynopsesGiveTheOptionsAndTheFirstWords) {
    struct Case {
        const char* command;
        const char* options;
        const char* words;
    } cases[] = {
        {"list", "--json --device=N --all ", ""},
        {"peak", "--json --watch --count=N --interval=MS ", ""},
        {"call", "--json ", ""},
        {"script", "--keep-going ", ""},
        {"set", "", ""},
        {"cd", "", "open play stop close "},
        {"help", "", "paths "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OptionList(Find(c.command).usage), c.options) << c.command;
        EXPECT_EQ(Words(Find(c.command).usage), c.words) << c.command;
    }
    std::set<std::string> names;
    for (const Command& c : kCommands) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_EQ(std::string(c.usage).rfind(std::string(c.name) + " ", 0) == 0 || c.usage == std::string(c.name), true)
            << c.usage;
        EXPECT_NE(c.run, nullptr) << c.name;
        EXPECT_NE(std::string(CommandDetails(c.name)), "") << c.name;
    }
}

// The manual page the build wrote describes the JSON shape of every command
// that prints JSON.
TEST(CommandTable, TheManualPageDescribesEveryJsonShape) {
    std::ifstream in(MIXERCTL_MANUAL);
    ASSERT_TRUE(in) << MIXERCTL_MANUAL;
    std::ostringstream page;
    page << in.rdbuf();
    const std::string shapes = page.str().substr(page.str().find(".SH \"JSON OUTPUT\""));
    int commands = 0;
    for (const Command& c : kCommands)
        for (const UsageOption& o : UsageOptions(c.usage))
            if (o.name == "--json") {
                ++commands;
                EXPECT_NE(shapes.find(".B " + std::string(c.name) + " \\-\\-json\n"), std::string::npos) << c.name;
            }
    EXPECT_EQ(commands, 7);
}

// generate_docs on templates of its own: what it fills in, and the markers
// it refuses.
class GenerateDocs : public CtlTest {
protected:
    Outcome Run(const std::string& kind, const std::string& text) {
        Write("template", text);
        const std::string cmd = "'" MIXERCTL_GENERATE_DOCS "' " + kind + " '" + Path("template") + "' '" + Path("out") +
                                "' 2>'" + Path("err") + "'";
        const int status = std::system(cmd.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out"), Read("err")};
    }
    // Every marker the manual page must have, each on a line of its own.
    static std::string Markers() {
        std::string text = "@SYNOPSIS@\n";
        for (const GlobalOption& o : kGlobalOptions) text += "@OPTION " + std::string(o.longName) + "@\n";
        for (const Command& c : kCommands) text += "@COMMAND " + std::string(c.name) + "@\nAbout \\fB" + c.name + "\\fR.\n";
        return text;
    }
};

TEST_F(GenerateDocs, FillsTheManualPageAndRefusesWhatTheTableLacks) {
    Outcome r = Run("man", ".SH X\n" + Markers());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(".TP\n\\fBpeak\\fR [\\fB\\-\\-json\\fR] \\fITYPE\\fR [\\fB\\-\\-watch\\fR"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(".TP\n\\fB\\-q\\fR, \\fB\\-\\-quiet\\fR\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(".TP\n\\fB\\-\\-card\\fR \\fIFILE\\fR\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('@'), std::string::npos) << r.out;

    r = Run("man", Markers() + "@COMMAND frobnicate@\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the table has nothing for @COMMAND frobnicate@"), std::string::npos) << r.err;
    std::string lacking = Markers();
    lacking.erase(lacking.find("@OPTION --echo@\n"), 16);
    r = Run("man", lacking);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the template leaves out @OPTION --echo@"), std::string::npos) << r.err;
}

TEST_F(GenerateDocs, HelpIsTheManualPagesParagraphAsPlainText) {
    Outcome r = Run("help", Markers() + "@COMMAND cd@\n.B cd\n.RI \\(dq PATH \" = \" VALUE \\(dq,\n"
                                        ".BR \\-\\-json ;\nx \\(mu y\n.PP\n.SH NEXT\nnot cd's\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("if (name == \"cd\") return R\"mixerctl(About cd. cd \"PATH = VALUE\", --json; x x y\n)mixerctl\";"),
              std::string::npos)
        << r.out;
    r = Run("help", "@COMMAND list@\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the manual page says nothing of list"), std::string::npos) << r.err;
}

TEST_F(GenerateDocs, FillsTheCompletion) {
    const Outcome r = Run("completion", "a=(@GLOBAL_OPTIONS@)\ncase $w in @VALUED_GLOBAL_OPTIONS@) ;; esac\n"
                                        "c=(@COMMANDS@)\n@COMMAND_OPTIONS@\n@FIRST_WORDS@\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("a=(--card --state --dll --echo --trace -q --quiet -V --version -h --help)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("case $w in --card | --state | --dll) ;; esac\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    peak) printf '%s\\n' --json --watch --count --interval ;;\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    cd) printf '%s\\n' open play stop close ;;\n"), std::string::npos) << r.out;
    EXPECT_EQ(Run("completion", "@COMMANDS@\n").status, 1);
}
