// The manual page keeps up with the program: every command, option and
// JSON-printing command the quick reference names is in docs/mixerctl.1.
#include "ctl_fixture.h"

#include "commands.h"

#include <regex>
#include <set>

namespace {

// How troff source spells a word: "-" as "\-".
std::string Troff(const std::string& word) {
    std::string out;
    for (char ch : word) out += ch == '-' ? std::string("\\-") : std::string(1, ch);
    return out;
}

}  // namespace

TEST(Manual, NamesEveryCommandAndOptionOfTheQuickReference) {
    std::ifstream in(MIXERCTL_DOCS_DIR "/mixerctl.1");
    ASSERT_TRUE(in) << MIXERCTL_DOCS_DIR "/mixerctl.1";
    std::ostringstream page;
    page << in.rdbuf();

    std::ostringstream out, err;
    ASSERT_EQ(mixerctl::RunCommands({"help"}, out, err), 0);
    std::set<std::string> words;
    const std::string help = out.str();
    // Options anywhere in the reference, and each command's name.
    const std::regex option(R"((^|[\s\[|])(--?[a-z][a-z-]*))");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) words.insert((*it)[2]);
    const std::string list = help.substr(help.find("\nCommands:"));
    const std::regex command(R"(\n  ([a-z]+) )");
    size_t commands = 0;
    for (std::sregex_iterator it(list.begin(), list.end(), command), end; it != end; ++it, ++commands)
        words.insert((*it)[1]);
    EXPECT_EQ(commands, 12u);
    for (const std::string& w : words)
        EXPECT_NE(page.str().find(Troff(w)), std::string::npos) << w << " is not in the manual page";

    // Each command with --json has its shape described.
    for (const char* c : {"get", "peak", "call", "exports", "sources", "list"})
        EXPECT_NE(page.str().find(".B " + std::string(c) + " \\-\\-json"), std::string::npos) << c;
}
