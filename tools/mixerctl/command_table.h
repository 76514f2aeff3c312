// mixerctl's commands and global options, said once: the program parses its
// command line and prints its help from this table, and generate_docs.cpp
// writes the manual page's synopsis and command lines and the bash
// completion from it at build time. Plain data apart from each command's
// function, which a generator that defines MIXERCTL_DOCS_ONLY leaves out.
#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

namespace mixerctl {

#ifdef MIXERCTL_DOCS_ONLY
#define MIXERCTL_RUN(function) nullptr
using CommandFunction = void*;
#else
#define MIXERCTL_RUN(function) function
struct Context;
struct Options;
using CommandFunction = void (*)(Context&, const Options&);
void CmdList(Context&, const Options&);
void CmdInfo(Context&, const Options&);
void CmdGet(Context&, const Options&);
void CmdSet(Context&, const Options&);
void CmdCall(Context&, const Options&);
void CmdExports(Context&, const Options&);
void CmdSave(Context&, const Options&);
void CmdRestore(Context&, const Options&);
void CmdSources(Context&, const Options&);
void CmdPeak(Context&, const Options&);
void CmdCd(Context&, const Options&);
void CmdScript(Context&, const Options&);
void CmdHelp(Context&, const Options&);
#endif

struct GlobalOption {
    const char* shortName;  // "-q", or ""
    const char* longName;   // "--quiet"
    const char* value;      // what follows it ("FILE"), "" for a flag
    const char* help;       // one line or more of the quick reference
};

const GlobalOption kGlobalOptions[] = {
    {"", "--card", "FILE", "simulated build: the card to load (JSON, docs/card-format.md)"},
    {"", "--state", "FILE",
     "simulated build: restore the card's values from FILE at the\n"
     "start (when it exists) and save them there at the end"},
    {"", "--dll", "FILE", "Windows build: load this file instead of MIXER.DLL (a name\nwithout a folder is taken from mixerctl.exe's folder)"},
    {"", "--echo", "", "print each command ('> ...') before its output"},
    {"", "--trace", "",
     "after each command, print the library's trace of it on standard\n"
     "error: each export call, the platform requests it made and their\n"
     "results (MIXER_TRACE)"},
    {"-q", "--quiet", "", "print nothing on standard output (errors still go to\nstandard error)"},
    {"-V", "--version", "", "the program's and the library's versions"},
    {"-h", "--help", "",
     "this text; 'mixerctl COMMAND --help' for a command,\n'mixerctl help paths' for the property paths"},
};

struct Command {
    const char* name;
    // The synopsis: the command's options are read from it ("--name" is a
    // flag, "--name WORD" an option with a value), and so are the words of
    // its first argument that the completion offers ("open|play TRACK").
    const char* usage;
    const char* summary;  // the manual page's paragraph on the command is its help (CommandDetails)
    CommandFunction run;
    bool library;      // calls the library's exports (loads MIXER.DLL on Windows)
    bool optionsFirst; // options only before the first argument: the rest is the argument list
};

const Command kCommands[] = {
    {"list", "list [--json] [--device N | --all]", "show a mixer device's lines and controls",
     MIXERCTL_RUN(CmdList), true, false},
    {"info", "info [--json]", "report the mixers, what the exports find there, the platform's notes",
     MIXERCTL_RUN(CmdInfo), false, false},
    {"get", "get [--percent] [--json] [PATH...]", "read per-line properties through the library",
     MIXERCTL_RUN(CmdGet), true, false},
    {"set", "set PATH VALUE [PATH VALUE]...", "write per-line properties through the library",
     MIXERCTL_RUN(CmdSet), true, false},
    {"call", "call [--json] NAME [ARG...]", "call any export and print its result",
     MIXERCTL_RUN(CmdCall), true, true},
    {"exports", "exports [--json]", "list the library's exports and their arguments",
     MIXERCTL_RUN(CmdExports), true, false},
    {"save", "save FILE", "save every mixer setting to FILE (the Save export)",
     MIXERCTL_RUN(CmdSave), true, false},
    {"restore", "restore FILE", "restore the mixer settings saved in FILE (the Set export)",
     MIXERCTL_RUN(CmdRestore), true, false},
    {"sources", "sources [--json]", "show the recording selector's items and which are selected",
     MIXERCTL_RUN(CmdSources), false, false},
    {"peak", "peak [--json] TYPE [--watch [--count N] [--interval MS]]", "read a line's peak meter (GetPeak)",
     MIXERCTL_RUN(CmdPeak), true, false},
    {"cd", "cd open|play TRACK|stop|close", "drive the CD player (OpenCD, PlayCD, StopCD, CloseCD)",
     MIXERCTL_RUN(CmdCd), true, false},
    {"script", "script [--keep-going] FILE|-", "run the commands in FILE (or standard input), one a line",
     MIXERCTL_RUN(CmdScript), false, false},
    {"help", "help [COMMAND|paths]", "show help",
     MIXERCTL_RUN(CmdHelp), false, false},
};

#undef MIXERCTL_RUN

// The manual page's paragraph on a command as plain text, for `mixerctl
// COMMAND --help`: written at build time by generate_docs.
const char* CommandDetails(const std::string& name);

// An option a synopsis names: "--device" with value "N", "--json" without.
struct UsageOption {
    std::string name;
    std::string value;
};

// A placeholder of a synopsis: an upper-case word ("FILE", "N").
inline bool IsPlaceholder(const std::string& word) { return !word.empty() && word[0] >= 'A' && word[0] <= 'Z'; }

// The options of a synopsis, in order: "--name" and the placeholder after it.
inline std::vector<UsageOption> UsageOptions(const std::string& usage) {
    static const std::regex option(R"([ \[](--?[a-z][-a-z]*)( [A-Z]+)?)");
    std::vector<UsageOption> options;
    for (std::sregex_iterator m(usage.begin(), usage.end(), option), end; m != end; ++m)
        options.push_back({(*m)[1], (*m)[2].length() ? (*m)[2].str().substr(1) : ""});
    return options;
}

// The literal words the first argument may be ("open", "play", ... of cd;
// "paths" of help): the lower-case words after the command's name and its
// options, up to the first placeholder that stands alone (not beside "|").
inline std::vector<std::string> FirstArgumentWords(const std::string& usage) {
    static const std::regex option(R"([ \[]--?[a-z][-a-z]*( [A-Z]+)?)"), word(R"((\|?)([A-Za-z]+)(?=(\|?)))");
    const std::string rest = std::regex_replace(usage.substr(std::min(usage.find(' '), usage.size())), option, "");
    std::vector<std::string> out;
    for (std::sregex_iterator m(rest.begin(), rest.end(), word), end; m != end; ++m) {
        if (!IsPlaceholder((*m)[2])) out.push_back((*m)[2]);
        else if (!(*m)[1].length() && !(*m)[3].length()) break;
    }
    return out;
}

}  // namespace mixerctl
