// mixerctl's commands and global options, said once: the program parses its
// command line and prints its help from this table, and generate_docs.cpp
// writes the manual page's synopsis and command lines and the bash
// completion from it at build time. Plain data apart from each command's
// function, which a generator that defines MIXERCTL_DOCS_ONLY leaves out.
#pragma once

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
    {"", "--state", "FILE", "simulated build: restore the card's values from FILE at the\nstart (when it exists) and save them there at the end"},
    {"", "--dll", "FILE", "Windows build: load this file instead of MIXER.DLL"},
    {"", "--echo", "", "print each command ('> ...') before its output"},
    {"-q", "--quiet", "", "print nothing on standard output (errors still go to\nstandard error)"},
    {"-V", "--version", "", "the program's and the library's versions"},
    {"-h", "--help", "", "this text; 'mixerctl COMMAND --help' for a command,\n'mixerctl help paths' for the property paths"},
};

struct Command {
    const char* name;
    // The synopsis: the command's options are read from it ("--name" is a
    // flag, "--name WORD" an option with a value), and so are the words of
    // its first argument that the completion offers ("open|play TRACK").
    const char* usage;
    const char* summary;
    const char* details;
    CommandFunction run;
    bool library;      // calls the library's exports (loads MIXER.DLL on Windows)
    bool optionsFirst; // options only before the first argument: the rest is the argument list
};

const Command kCommands[] = {
    {"list", "list [--json] [--device N | --all]", "show a mixer device's lines and controls",
     "Destinations, their sources and every control with its type, flags, bounds\n"
     "and current values (one per channel; per item for list controls), read\n"
     "straight from winmm. A value the driver left unwritten shows as '?' (null\n"
     "in JSON). Device 0 unless --device N or --all.\n"
     "First, the mixer devices the library uses: device 0 for playback, and for\n"
     "recording device 0 when it has a wave-in destination, otherwise the\n"
     "recording endpoints' mixers in the order the library searches them (the\n"
     "preferred wave-in device's first). In JSON every device's object holds\n"
     "them as \"library\".\n",
     MIXERCTL_RUN(CmdList), false, false},
    {"get", "get [--percent] [--json] [PATH...]", "read per-line properties through the library",
     "PATH is SIDE.LINE.PROPERTY: SIDE play or rec; LINE linein, mic, cd, waveout,\n"
     "aux, digital, analog or main; PROPERTY volume, mute, balance, boost or select;\n"
     "plus mic.boost (both sides) and cd.digital (the CD-type flag); 'mixerctl help\n"
     "paths' lists them. Each path is one getter export, e.g. play.linein.volume is\n"
     "GetPlayLineInVolume. 0 also stands for a missing line or control; a result\n"
     "of -1 (the library could not read) is an error. Without a PATH: every\n"
     "readable one. --percent prints levels as a percentage of the control's\n"
     "range, rounded to the nearest (halves away from zero). --json prints\n"
     "[{\"path\": ..., \"value\": N or null}], with \"percent\" for levels.\n",
     MIXERCTL_RUN(CmdGet), true, false},
    {"set", "set PATH VALUE [PATH VALUE]...", "write per-line properties through the library",
     "Paths as for 'get'. A volume takes N in the control's units (within its\n"
     "range, e.g. 0..65535), N% of its range (min + N * (max - min) / 100, rounded\n"
     "to the nearest), or a step from its current level, stopping at the range's\n"
     "ends: +N or N+ up, N- down, +N% or N%+ up, -N% or N%- down (-N is a level,\n"
     "and out of range). A balance takes a position from 0 (left) to 15\n"
     "(right). Mute takes 0, 1, on, off, mute, unmute or toggle; boost and\n"
     "cd.digital 0, 1, on, off or toggle. The select paths (rec.LINE.select) take\n"
     "no value: they select the source. Every path and value is checked before\n"
     "anything is written; each write is read back and printed as 'PATH = VALUE';\n"
     "a value that did not arrive is an error. A level counts as arrived within\n"
     "one step of the control (its range divided by its step count).\n",
     MIXERCTL_RUN(CmdSet), true, false},
    {"call", "call [--json] NAME [ARG...]", "call any export and print its result",
     "Integers are decimal or 0x hexadecimal (-2147483648 to 4294967295), strings\n"
     "are taken as written ('@null' passes a null pointer). GetTavrinDirectory and\n"
     "GetMixerRecordChannels [LIMIT] fill a buffer: its text is printed after the\n"
     "result. LocateControl's MIXER may be 'open': mixerctl opens mixer device 0\n"
     "around the call. 'mixerctl exports' lists every export and its arguments.\n"
     "--json prints {\"export\": NAME, \"result\": N, \"text\": TEXT or null}.\n",
     MIXERCTL_RUN(CmdCall), true, true},
    {"exports", "exports [--json]", "list the library's exports and their arguments",
     "--json prints [{\"ordinal\", \"name\", \"arguments\", \"stackBytes\", \"present\"}].\n",
     MIXERCTL_RUN(CmdExports), true, false},
    {"save", "save FILE", "save every mixer setting to FILE (the Save export)",
     "Fails when there is no mixer or FILE cannot be written (the reason is\n"
     "given); nothing is written then.\n",
     MIXERCTL_RUN(CmdSave), true, false},
    {"restore", "restore FILE", "restore the mixer settings saved in FILE (the Set export)",
     "FILE is read first as the library reads it: a file with no settings, a\n"
     "value that is not a number, a key the library does not restore, or a value\n"
     "outside its control's range is refused, and nothing is restored. After the\n"
     "library has applied it, every level and switch is read back.\n",
     MIXERCTL_RUN(CmdRestore), true, false},
    {"sources", "sources [--json]", "show the recording selector's items and which are selected",
     "Reads the first list control of mixer device 0's wave-in destination straight\n"
     "from winmm: its items, '*' before the selected ones, and whether it selects\n"
     "one source at a time (mux, single select) or several.\n",
     MIXERCTL_RUN(CmdSources), false, false},
    {"peak", "peak [--json] TYPE [--watch [--count N] [--interval MS]]", "read a line's peak meter (GetPeak)",
     "TYPE: a destination (speakers, wavein, ...), a line word (linein, mic, cd,\n"
     "waveout, aux, digital, analog, main), src.NAME / dst.NAME or a number. A line\n"
     "without a meter is an error. With --watch the reading repeats every MS\n"
     "milliseconds (100) until Ctrl-C or N readings: a level bar on a terminal,\n"
     "one number a line otherwise. --json prints {\"type\", \"componentType\",\n"
     "\"value\"} on one line per reading.\n",
     MIXERCTL_RUN(CmdPeak), true, false},
    {"cd", "cd open|play TRACK|stop|close", "drive the CD player (OpenCD, PlayCD, StopCD, CloseCD)",
     "Prints the MCI result; a non-zero one is also an error. The device stays\n"
     "open only while mixerctl runs, so open, play and stop in one run:\n"
     "  mixerctl cd open -- cd play 2 -- cd stop -- cd close\n",
     MIXERCTL_RUN(CmdCd), true, false},
    {"script", "script [--keep-going] FILE|-", "run the commands in FILE (or standard input), one a line",
     "Blank lines and '#' comments are skipped; double quotes group words. The\n"
     "first failing command ends the script, unless --keep-going: then its error\n"
     "is printed as 'error: ...' on standard output too, the script goes on, and\n"
     "the script fails at its end.\n",
     MIXERCTL_RUN(CmdScript), false, false},
    {"help", "help [COMMAND|paths]", "show help", "", MIXERCTL_RUN(CmdHelp), false, false},
};

#undef MIXERCTL_RUN

// An option a synopsis names: "--device" with value "N", "--json" without.
struct UsageOption {
    std::string name;
    std::string value;
};

// The words of a synopsis: option names, placeholders, literal words and
// the punctuation "[", "]", "|" and "...", each a word of its own.
inline std::vector<std::string> UsageWords(const std::string& usage) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty()) words.push_back(word), word.clear();
    };
    for (size_t i = 0; i < usage.size(); ++i) {
        const char ch = usage[i];
        if (ch == ' ') {
            flush();
        } else if (ch == '[' || ch == ']' || ch == '|') {
            flush();
            words.emplace_back(1, ch);
        } else if (usage.compare(i, 3, "...") == 0) {
            flush();
            words.emplace_back("...");
            i += 2;
        } else {
            word += ch;
        }
    }
    flush();
    return words;
}

inline bool IsPlaceholder(const std::string& word) {
    return !word.empty() && word[0] >= 'A' && word[0] <= 'Z';
}

// The options of a synopsis, in order.
inline std::vector<UsageOption> UsageOptions(const std::string& usage) {
    const std::vector<std::string> words = UsageWords(usage);
    std::vector<UsageOption> options;
    for (size_t i = 0; i < words.size(); ++i)
        if (words[i].size() > 1 && words[i][0] == '-')
            options.push_back({words[i], i + 1 < words.size() && IsPlaceholder(words[i + 1]) ? words[i + 1] : ""});
    return options;
}

// The literal words the first argument may be ("open", "play", ... of cd;
// "paths" of help): the lower-case words after the command's name and its
// options, up to the first placeholder that stands alone.
inline std::vector<std::string> FirstArgumentWords(const std::string& usage) {
    const std::vector<std::string> words = UsageWords(usage);
    std::vector<std::string> out;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w[0] == '-' || w == "[" || w == "]" || w == "|" || w == "...") continue;
        if (IsPlaceholder(w) && i > 0 && words[i - 1][0] == '-') continue;  // an option's value
        if (IsPlaceholder(w)) {
            if (words[i - 1] == "|" || (i + 1 < words.size() && words[i + 1] == "|")) continue;
            break;
        }
        out.push_back(w);
    }
    return out;
}

}  // namespace mixerctl
