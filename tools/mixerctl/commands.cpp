#include "commands.h"

#include "common.h"
#include "exports_table.h"
#include "names.h"
#include "paths.h"
#include "platform.h"
#include "topology.h"

#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>

namespace mixerctl {
namespace {

struct Context {
    std::ostream& out;
    std::ostream& err;
    bool echo;
    int depth;  // script nesting
};

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    const char* details;
    void (*run)(Context&, const Args&);
};

const std::vector<Command>& Commands();

// ---- Helpers -------------------------------------------------------------------

LONG ParseValue(const std::string& text, const std::string& what) {
    LONG v;
    if (!ParseInt32(text, &v)) throw UsageError(what + " must be a 32-bit integer, not '" + text + "'");
    return v;
}

// Takes "--name VALUE" style options out of args; returns the rest.
struct Options {
    Args rest;
    std::vector<std::pair<std::string, std::string>> given;
    Options(const Args& args, std::initializer_list<const char*> flags, std::initializer_list<const char*> valued,
            const char* command) {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a.size() < 2 || a[0] != '-' || a[1] != '-') {
                rest.push_back(a);
                continue;
            }
            bool known = false;
            for (const char* f : flags)
                if (a == f) given.emplace_back(a, ""), known = true;
            for (const char* v : valued)
                if (a == v) {
                    if (i + 1 >= args.size()) throw UsageError(std::string(command) + ": " + a + " needs a value");
                    given.emplace_back(a, args[++i]);
                    known = true;
                }
            if (!known) throw UsageError(std::string(command) + ": unknown option " + a);
        }
    }
    bool Has(const char* name) const {
        for (auto& g : given)
            if (g.first == name) return true;
        return false;
    }
    std::string Value(const char* name, const std::string& fallback) const {
        for (auto& g : given)
            if (g.first == name) return g.second;
        return fallback;
    }
};

void NoArguments(const char* command, const Args& args) {
    if (!args.empty()) throw UsageError(std::string(command) + ": unexpected argument '" + args[0] + "'");
}

std::string MciErrorText(LONG code) {
    char text[256] = {0};
    if (mciGetErrorStringA(static_cast<MCIERROR>(code), text, sizeof text) && text[0]) return text;
    return "no text for this code";
}

// ---- Commands ------------------------------------------------------------------

void CmdList(Context& c, const Args& args) {
    Options o(args, {"--json", "--all"}, {"--device"}, "list");
    NoArguments("list", o.rest);
    const UINT count = DeviceCount();
    if (count == 0) throw ToolError("list: there is no mixer device");
    UINT first = 0, last = 0;
    if (o.Has("--all")) {
        last = count - 1;
    } else if (o.Has("--device")) {
        LONG d = ParseValue(o.Value("--device", "0"), "--device");
        if (d < 0 || static_cast<UINT>(d) >= count)
            throw ToolError("list: no mixer device " + std::to_string(d) + " (there are " + std::to_string(count) + ")");
        first = last = static_cast<UINT>(d);
    }
    nlohmann::json all = nlohmann::json::array();
    for (UINT d = first; d <= last; ++d) {
        DeviceInfo dev = ReadDevice(d);
        if (o.Has("--json"))
            all.push_back(ToJson(dev));
        else
            PrintTree(dev, c.out);
    }
    if (o.Has("--json")) c.out << (o.Has("--all") ? all : all[0]).dump(2) << "\n";
}

void CmdGet(Context& c, const Args& args) {
    if (args.empty()) {
        for (const PropertyPath& p : AllPaths())
            if (!p.getter.empty()) c.out << p.path << " = " << CallExportValue(p.getter) << "\n";
        return;
    }
    for (const std::string& a : args) {
        PropertyPath p = ParsePath(a);
        if (p.getter.empty())
            throw UsageError("get: " + p.path + " can only be set (the library has no " +
                             std::string("G") + p.setter.substr(1) + ")");
        c.out << p.path << " = " << CallExportValue(p.getter) << "\n";
    }
}

void CmdSet(Context& c, const Args& args) {
    (void)c;
    if (args.empty()) throw UsageError("set: give PATH VALUE (see 'mixerctl set --help')");
    // Check the whole command before changing anything.
    std::vector<std::pair<PropertyPath, std::string>> writes;
    for (size_t i = 0; i < args.size(); ++i) {
        PropertyPath p = ParsePath(args[i]);
        if (p.setter.empty()) throw UsageError("set: " + p.path + " can only be read");
        std::string value;
        if (p.setterTakesValue) {
            if (i + 1 >= args.size()) throw UsageError("set: " + p.path + " needs a value");
            value = args[++i];
            ParseValue(value, "set: the value of " + p.path);
        } else if (i + 1 < args.size()) {
            LONG v;
            if (ParseInt32(args[i + 1], &v)) {
                if (v != 1)
                    throw UsageError("set: " + p.path + " only selects (value 1); to deselect use " +
                                     "'call SelectLine KIND NAME 0'");
                ++i;
            }
        }
        writes.emplace_back(p, value);
    }
    for (auto& w : writes) {
        Args callArgs;
        if (w.first.setterTakesValue) callArgs.push_back(w.second);
        CallExport(w.first.setter, callArgs);
    }
}

void CmdCall(Context& c, const Args& args) {
    if (args.empty()) throw UsageError("call: give an export name (see 'mixerctl exports')");
    const ExportInfo* info = FindExport(args[0]);
    if (!info)
        for (const ExportInfo& e : Exports())
            if (Lower(e.name) == Lower(args[0])) info = &e;
    if (!info) throw UsageError("call: no export named '" + args[0] + "' (see 'mixerctl exports')");
    AnyFn fn = ExportAddress(info->name);
    if (!fn) throw ToolError("call: the library has no export " + std::string(info->name));
    CallOutcome r = Invoke(*info, fn, Args(args.begin() + 1, args.end()));
    c.out << info->name << " = " << r.result;
    if (r.hasText) c.out << " \"" << r.text << "\"";
    c.out << "\n";
}

void CmdExports(Context& c, const Args& args) {
    NoArguments("exports", args);
    for (const ExportInfo& e : Exports()) {
        std::string line = std::string(e.name);
        std::string a = CommandLineArguments(e.sig);
        if (!a.empty()) line += " " + a;
        c.out << line;
        if (!ExportAddress(e.name)) c.out << "   (missing)";
        c.out << "\n";
    }
}

void CmdSave(Context& c, const Args& args) {
    if (args.size() != 1) throw UsageError("save: give one FILE");
    if (CallExportValue("Save", {args[0]}) != 1) throw ToolError("save: the library could not write " + args[0]);
    c.out << "saved mixer settings to " << args[0] << "\n";
}

void CmdRestore(Context& c, const Args& args) {
    if (args.size() != 1) throw UsageError("restore: give one FILE");
    if (CallExportValue("Set", {args[0]}) != 1) throw ToolError("restore: the library could not read " + args[0]);
    c.out << "restored mixer settings from " << args[0] << "\n";
}

void CmdSources(Context& c, const Args& args) {
    Options o(args, {"--json"}, {}, "sources");
    NoArguments("sources", o.rest);
    if (DeviceCount() == 0) throw ToolError("sources: there is no mixer device");
    DeviceInfo dev = ReadDevice(0);
    const LineInfo* waveIn = FindWaveIn(dev);
    if (!waveIn) throw ToolError("sources: mixer device 0 has no wave-in destination");
    const ControlInfo* sel = FindRecordingSelector(*waveIn);
    if (!sel) throw ToolError("sources: the wave-in destination \"" + std::string(waveIn->line.szName) + "\" has no recording selector");
    const bool single = IsSingleSelectType(sel->control.dwControlType);
    nlohmann::json items = nlohmann::json::array();
    if (!o.Has("--json"))
        c.out << "recording selector \"" << sel->control.szName << "\" (" << ControlTypeName(sel->control.dwControlType)
              << ", " << (single ? "single" : "multiple") << " select) of \"" << waveIn->line.szName << "\"\n";
    if (sel->readResult != MMSYSERR_NOERROR && !o.Has("--json"))
        c.out << "  (values could not be read: error " << sel->readResult << ")\n";
    for (DWORD it = 0; it < sel->items; ++it) {
        // Selected when any channel's value for the item is non-zero.
        bool selected = false, known = sel->readResult == MMSYSERR_NOERROR;
        for (DWORD ch = 0; known && ch < sel->channels; ++ch) {
            size_t i = static_cast<size_t>(ch) * sel->items + it;
            if (!sel->filled[i]) known = false;
            else if (sel->values[i]) selected = true;
        }
        const std::string text = it < sel->texts.size() ? sel->texts[it] : std::string();
        if (o.Has("--json")) {
            items.push_back({{"index", it}, {"text", text}, {"selected", known ? nlohmann::json(selected) : nlohmann::json()}});
        } else {
            c.out << (known ? (selected ? "  * " : "    ") : "  ? ") << it << " \"" << text << "\"\n";
        }
    }
    if (o.Has("--json"))
        c.out << nlohmann::json({{"name", sel->control.szName}, {"type", ControlTypeName(sel->control.dwControlType)},
                                 {"single", single}, {"items", items}})
                     .dump(2)
              << "\n";
}

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }

void CmdPeak(Context& c, const Args& args) {
    Options o(args, {"--watch"}, {"--count", "--interval"}, "peak");
    if (o.rest.size() != 1) throw UsageError("peak: give one line TYPE (e.g. wavein, speakers, mic, src.line, 0x1003)");
    const DWORD type = ParsePeakTarget(o.rest[0]);
    const std::string typeText = std::to_string(type);
    if (!o.Has("--watch")) {
        if (o.Has("--count") || o.Has("--interval")) throw UsageError("peak: --count and --interval go with --watch");
        PlatformTick();
        c.out << "peak " << ComponentTypeName(type) << " = " << CallExportValue("GetPeak", {typeText}) << "\n";
        return;
    }
    const LONG count = ParseValue(o.Value("--count", "0"), "peak: --count");
    const LONG interval = ParseValue(o.Value("--interval", "100"), "peak: --interval");
    if (count < 0 || interval < 1 || interval > 60000) throw UsageError("peak: --count from 0 (no end), --interval from 1 to 60000 ms");
    const bool terminal = PlatformStdoutIsTerminal() && &c.out == &std::cout;
    g_interrupted = 0;
    void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
    for (LONG n = 0; (count == 0 || n < count) && !g_interrupted; ++n) {
        if (n) PlatformSleep(interval);
        PlatformTick();
        const LONG v = CallExportValue("GetPeak", {typeText});
        if (terminal) {
            const int width = 40;
            int filled = static_cast<int>(static_cast<long long>(v) * width / 32768);
            if (filled > width) filled = width;
            c.out << "\r" << ComponentTypeName(type) << " [" << std::string(filled, '#')
                  << std::string(width - filled, ' ') << "] " << v << "      " << std::flush;
        } else {
            c.out << v << "\n" << std::flush;
        }
    }
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    if (terminal) c.out << "\n";
}

void CmdCd(Context& c, const Args& args) {
    if (args.empty()) throw UsageError("cd: give open, play TRACK, stop or close");
    const std::string what = Lower(args[0]);
    std::string name;
    Args callArgs;
    if (what == "open") name = "OpenCD";
    else if (what == "play") name = "PlayCD";
    else if (what == "stop") name = "StopCD";
    else if (what == "close") name = "CloseCD";
    else throw UsageError("cd: unknown action '" + args[0] + "' (open, play TRACK, stop, close)");
    if (what == "play") {
        if (args.size() != 2) throw UsageError("cd play: give one TRACK number");
        ParseValue(args[1], "cd play: TRACK");
        callArgs.push_back(args[1]);
    } else if (args.size() != 1) {
        throw UsageError("cd " + what + ": unexpected argument '" + args[1] + "'");
    }
    const LONG r = CallExportValue(name, callArgs);
    c.out << name << " = " << r << "\n";
    if (r != 0) throw ToolError("cd " + what + ": MCI error " + std::to_string(r) + ": " + MciErrorText(r));
}

void RunOne(Context& c, const Args& words);

void CmdScript(Context& c, const Args& args) {
    Options o(args, {"--keep-going"}, {}, "script");
    if (o.rest.size() != 1) throw UsageError("script: give one FILE");
    const std::string& file = o.rest[0];
    if (c.depth >= 8) throw ToolError("script: scripts nested too deeply");
    std::ifstream in(file);
    if (!in) throw ToolError("script: cannot read " + file);
    std::string line;
    int number = 0, failures = 0, status = kExitOk;
    Context inner{c.out, c.err, c.echo, c.depth + 1};
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = file + ":" + std::to_string(number) + ": ";
        try {
            Args words = SplitScriptLine(line);
            if (words.empty()) continue;
            RunOne(inner, words);
        } catch (const ToolError& e) {
            if (!o.Has("--keep-going")) {
                if (e.status == kExitUsage) throw UsageError(where + e.what());
                throw ToolError(where + e.what(), e.status);
            }
            // Going on: the error is part of the transcript.
            c.out << "error: " << e.what() << "\n";
            c.err << "mixerctl: " << where << e.what() << "\n";
            ++failures;
            if (status == kExitOk) status = e.status;
        }
    }
    if (failures)
        throw ToolError(file + ": " + std::to_string(failures) + (failures == 1 ? " command" : " commands") + " failed",
                        status);
}

void PrintCommandHelp(std::ostream& out, const Command& cmd) {
    out << "usage: mixerctl " << cmd.usage << "\n\n" << cmd.summary << "\n";
    if (cmd.details[0]) out << "\n" << cmd.details;
}

void PrintProgramHelp(std::ostream& out) {
    out << "usage: mixerctl [OPTIONS] COMMAND [ARGS] [-- COMMAND [ARGS]]...\n"
           "\n"
           "Drives a sound card's mixer through MIXER.DLL's exports, the way the host\n"
           "application does. "
        << (PlatformSimulated()
                ? "This build links the library with the simulated Windows platform\n"
                  "and works on a simulated card (the default card, or --card FILE).\n"
                : "This build loads MIXER.DLL by name (or --dll FILE) and works on this\n"
                  "machine's mixer device 0.\n")
        << "The library is used only through its exports; 'list' and 'sources' read\n"
           "the mixer straight from winmm to show it as it is.\n"
           "\n"
           "Commands are separated by '--' or ';' (a word of its own, or ';' at the\n"
           "end of a word) and run in order; the first that fails ends the run.\n"
           "\n"
           "Options:\n"
           "  --card FILE    simulated build: the card to load (JSON, docs/card-format.md)\n"
           "  --state FILE   simulated build: restore the card's values from FILE at the\n"
           "                 start (when it exists) and save them there at the end\n"
           "  --dll FILE     Windows build: load this file instead of MIXER.DLL\n"
           "  --echo         print each command ('> ...') before its output\n"
           "  --help         this text; 'mixerctl COMMAND --help' for a command\n"
           "\n"
           "Commands:\n";
    for (const Command& cmd : Commands()) {
        std::string u = cmd.usage;
        out << "  " << u << std::string(u.size() < 36 ? 36 - u.size() : 1, ' ') << cmd.summary << "\n";
    }
    out << "\nExit status: 0 when every command worked, 1 when one failed, 2 for a wrong\n"
           "command line. Errors go to standard error.\n";
}

void CmdHelp(Context& c, const Args& args) {
    if (args.empty()) {
        PrintProgramHelp(c.out);
        return;
    }
    for (const Command& cmd : Commands())
        if (args[0] == cmd.name) {
            PrintCommandHelp(c.out, cmd);
            return;
        }
    throw UsageError("help: no command '" + args[0] + "'");
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"list", "list [--json] [--device N | --all]", "show a mixer device's lines and controls",
         "Destinations, their sources and every control with its type, flags, bounds\n"
         "and current values (one per channel; per item for list controls), read\n"
         "straight from winmm. A value the driver left unwritten shows as '?' (null\n"
         "in JSON). Device 0 unless --device N or --all.\n",
         CmdList},
        {"get", "get [PATH...]", "read per-line properties through the library",
         "PATH is SIDE.LINE.PROPERTY: SIDE play or rec; LINE linein, mic, cd, waveout,\n"
         "aux, digital, analog or main; PROPERTY volume, mute, balance, boost or select;\n"
         "plus mic.boost (both sides) and cd.digital (the CD-type flag). Each path is\n"
         "one getter export, e.g. play.linein.volume is GetPlayLineInVolume. The\n"
         "value printed is the export's result: -1 means the library failed, 0 also\n"
         "stands for a missing line or control. Without a PATH: every readable one.\n",
         CmdGet},
        {"set", "set PATH VALUE [PATH VALUE]...", "write per-line properties through the library",
         "Paths as for 'get'. Volumes are in the control's units (0..65535 on most\n"
         "cards), balance a position from 0 (left) to 15 (right), mute and boost 0 or\n"
         "1. The select paths (rec.LINE.select) take no value: they select the source.\n"
         "Every path is checked before anything is written.\n",
         CmdSet},
        {"call", "call NAME [ARG...]", "call any export and print its result",
         "Integers are decimal or 0x hexadecimal (-2147483648 to 4294967295), strings\n"
         "are taken as written ('@null' passes a null pointer). GetTavrinDirectory and\n"
         "GetMixerRecordChannels [LIMIT] fill a buffer: its text is printed after the\n"
         "result. LocateControl's HANDLE may be 'open': mixerctl opens mixer device 0\n"
         "around the call. 'mixerctl exports' lists every export and its arguments.\n",
         CmdCall},
        {"exports", "exports", "list the library's exports and their arguments", "", CmdExports},
        {"save", "save FILE", "save every mixer setting to FILE (the Save export)", "", CmdSave},
        {"restore", "restore FILE", "restore the mixer settings saved in FILE (the Set export)", "", CmdRestore},
        {"sources", "sources [--json]", "show the recording selector's items and which are selected",
         "Reads the first list control of mixer device 0's wave-in destination straight\n"
         "from winmm: its items, '*' before the selected ones, and whether it selects\n"
         "one source at a time (mux, single select) or several.\n",
         CmdSources},
        {"peak", "peak TYPE [--watch [--count N] [--interval MS]]", "read a line's peak meter (GetPeak)",
         "TYPE: a destination (speakers, wavein, ...), a line word (linein, mic, cd,\n"
         "waveout, aux, digital, analog, main), src.NAME / dst.NAME or a number. With\n"
         "--watch the reading repeats every MS milliseconds (100) until Ctrl-C or N\n"
         "readings: a level bar on a terminal, one number a line otherwise.\n",
         CmdPeak},
        {"cd", "cd open|play TRACK|stop|close", "drive the CD player (OpenCD, PlayCD, StopCD, CloseCD)",
         "Prints the MCI result; a non-zero one is also an error. The device stays\n"
         "open only while mixerctl runs, so open, play and stop in one run:\n"
         "  mixerctl cd open -- cd play 2 -- cd stop -- cd close\n",
         CmdCd},
        {"script", "script [--keep-going] FILE", "run the commands in FILE, one a line",
         "Blank lines and '#' comments are skipped; double quotes group words. The\n"
         "first failing command ends the script, unless --keep-going: then its error\n"
         "is printed as 'error: ...' on standard output too, the script goes on, and\n"
         "the script fails at its end.\n",
         CmdScript},
        {"help", "help [COMMAND]", "show help", "", CmdHelp},
    };
    return commands;
}

void RunOne(Context& c, const Args& words) {
    if (c.echo) {
        c.out << ">";
        // Quoted as a script line would need it.
        for (const std::string& w : words)
            c.out << " " << (w.empty() || w.find_first_of(" \t#") != std::string::npos ? "\"" + w + "\"" : w);
        c.out << "\n";
    }
    const Command* cmd = nullptr;
    for (const Command& x : Commands())
        if (words[0] == x.name) cmd = &x;
    if (!cmd) throw UsageError("unknown command '" + words[0] + "' (see 'mixerctl --help')");
    Args args(words.begin() + 1, words.end());
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            PrintCommandHelp(c.out, *cmd);
            return;
        }
    try {
        cmd->run(c, args);
    } catch (...) {
        PlatformAfterCommand(c.err);
        throw;
    }
    PlatformAfterCommand(c.err);
}

// Cuts the words into commands at "--", ";" and a trailing ";".
std::vector<Args> SplitCommands(const Args& words) {
    std::vector<Args> commands(1);
    for (const std::string& w : words) {
        if (w == "--" || w == ";") {
            commands.emplace_back();
        } else if (w.size() > 1 && w.back() == ';') {
            commands.back().push_back(w.substr(0, w.size() - 1));
            commands.emplace_back();
        } else {
            commands.back().push_back(w);
        }
    }
    std::vector<Args> out;
    for (Args& a : commands)
        if (!a.empty()) out.push_back(a);
    return out;
}

}  // namespace

std::vector<std::string> SplitScriptLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char ch : line) {
        if (quoted) {
            if (ch == '"') quoted = false;
            else word += ch;
        } else if (ch == '"') {
            quoted = inWord = true;
        } else if (ch == '#' && !inWord) {
            break;
        } else if (ch == ' ' || ch == '\t') {
            if (inWord) words.push_back(word), word.clear(), inWord = false;
        } else {
            word += ch;
            inWord = true;
        }
    }
    if (quoted) throw UsageError("unterminated quote in '" + line + "'");
    if (inWord) words.push_back(word);
    return words;
}

int RunCommands(const std::vector<std::string>& words, std::ostream& out, std::ostream& err, bool echo) {
    Context c{out, err, echo, 0};
    std::vector<Args> commands = SplitCommands(words);
    if (commands.empty()) {
        err << "mixerctl: no command (see 'mixerctl --help')\n";
        return kExitUsage;
    }
    for (const Args& cmd : commands) {
        try {
            RunOne(c, cmd);
        } catch (const ToolError& e) {
            out.flush();
            err << "mixerctl: " << e.what() << "\n";
            return e.status;
        } catch (const std::exception& e) {
            out.flush();
            err << "mixerctl: " << cmd[0] << ": " << e.what() << "\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

int Main(int argc, char** argv) {
    GlobalOptions options;
    std::vector<std::string> words;
    int i = 1;
    try {
        for (; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw UsageError(a + " needs a value");
                return argv[++i];
            };
            if (a == "--help" || a == "-h") {
                PrintProgramHelp(std::cout);
                return kExitOk;
            } else if (a == "--card") {
                options.card = value();
            } else if (a == "--state") {
                options.state = value();
            } else if (a == "--dll") {
                options.dll = value();
            } else if (a == "--echo") {
                options.echo = true;
            } else if (a.size() > 1 && a[0] == '-' && a != "--") {
                throw UsageError("unknown option " + a + " (see 'mixerctl --help')");
            } else {
                break;
            }
        }
        words.assign(argv + i, argv + argc);
        if (words.empty()) throw UsageError("no command (see 'mixerctl --help')");
        PlatformStart(options);
    } catch (const ToolError& e) {
        std::cerr << "mixerctl: " << e.what() << "\n";
        return e.status;
    }
    int status = RunCommands(words, std::cout, std::cerr, options.echo);
    try {
        PlatformFinish(options);
    } catch (const ToolError& e) {
        std::cerr << "mixerctl: " << e.what() << "\n";
        if (status == kExitOk) status = e.status;
    }
    std::cout.flush();
    return status;
}

}  // namespace mixerctl
