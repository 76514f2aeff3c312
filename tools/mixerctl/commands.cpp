#include "commands.h"

#include "command_context.h"
#include "common.h"
#include "exports_table.h"
#include "files.h"
#include "names.h"
#include "paths.h"
#include "platform.h"
#include "topology.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <sstream>
#include <streambuf>

namespace mixerctl {

// ---- Helpers -------------------------------------------------------------------

LONG ParseValue(const std::string& text, const std::string& what) {
    LONG v;
    if (!ParseInt32(text, &v)) throw UsageError(what + " must be a 32-bit integer, not '" + text + "'");
    return v;
}

Options::Options(const Args& args, std::initializer_list<const char*> flags, std::initializer_list<const char*> valued,
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

bool Options::Has(const char* name) const {
    for (auto& g : given)
        if (g.first == name) return true;
    return false;
}

std::string Options::Value(const char* name, const std::string& fallback) const {
    for (auto& g : given)
        if (g.first == name) return g.second;
    return fallback;
}

void NoArguments(const char* command, const Args& args) {
    if (!args.empty()) throw UsageError(std::string(command) + ": unexpected argument '" + args[0] + "'");
}

namespace {

struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    const char* details;
    void (*run)(Context&, const Args&);
    bool library;  // calls the library's exports (loads MIXER.DLL on Windows)
};

const std::vector<Command>& Commands();

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
    // Which devices the library uses, said first (text) or in every
    // device's object (JSON), whichever devices are shown; a device 0 that
    // cannot be read leaves that untold (null) and the devices shown.
    nlohmann::json library;
    try {
        const RecordingMixers mixers = FindRecordingMixers();
        if (o.Has("--json"))
            library = LibraryMixersJson(mixers);
        else
            PrintLibraryMixers(mixers, c.out);
    } catch (const ToolError& e) {
        if (!o.Has("--json")) c.out << "library: which mixers it uses is unknown: " << e.what() << "\n";
    }
    nlohmann::json all = nlohmann::json::array();
    for (UINT d = first; d <= last; ++d) {
        DeviceInfo dev = ReadDevice(d);
        if (o.Has("--json")) {
            all.push_back(ToJson(dev));
            all.back()["library"] = library;
        } else {
            PrintTree(dev, c.out);
        }
    }
    if (o.Has("--json")) c.out << (o.Has("--all") ? all : all[0]).dump(2) << "\n";
}

void CmdCall(Context& c, const Args& args) {
    // Options only before the export's name: what follows is its arguments.
    const bool json = !args.empty() && args[0] == "--json";
    const Args rest(args.begin() + (json ? 1 : 0), args.end());
    if (rest.empty()) throw UsageError("call: give an export name (see 'mixerctl exports')");
    const ExportInfo* info = FindExport(rest[0]);
    if (!info)
        for (const ExportInfo& e : Exports())
            if (Lower(e.name) == Lower(rest[0])) info = &e;
    if (!info) throw UsageError("call: no export named '" + rest[0] + "' (see 'mixerctl exports')");
    AnyFn fn = ExportAddress(info->name);
    if (!fn) throw ToolError("call: the library has no export " + std::string(info->name));
    CallOutcome r = Invoke(*info, fn, Args(rest.begin() + 1, rest.end()));
    if (json) {
        c.out << nlohmann::json({{"export", info->name},
                                 {"result", r.result},
                                 {"text", r.hasText ? nlohmann::json(r.text) : nlohmann::json()}})
                     .dump()
              << "\n";
        return;
    }
    c.out << info->name << " = " << r.result;
    if (r.hasText) c.out << " \"" << r.text << "\"";
    c.out << "\n";
}

void CmdExports(Context& c, const Args& args) {
    Options o(args, {"--json"}, {}, "exports");
    NoArguments("exports", o.rest);
    nlohmann::json all = nlohmann::json::array();
    std::string text;
    int ordinal = 0;
    for (const ExportInfo& e : Exports()) {
        ++ordinal;  // ordinals follow the alphabetical order of the names
        const bool present = ExportAddress(e.name) != nullptr;
        const std::string a = CommandLineArguments(e.sig);
        all.push_back({{"ordinal", ordinal},
                       {"name", e.name},
                       {"arguments", a},
                       {"stackBytes", 4 * DllArgumentCount(e.sig)},
                       {"present", present}});
        text += std::string(e.name) + (a.empty() ? "" : " " + a) + (present ? "" : "   (missing)") + "\n";
    }
    if (o.Has("--json")) c.out << all.dump(2) << "\n";
    else c.out << text;
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
    Options o(args, {"--watch", "--json"}, {"--count", "--interval"}, "peak");
    if (o.rest.size() != 1) throw UsageError("peak: give one line TYPE (e.g. wavein, speakers, mic, src.line, 0x1003)");
    const DWORD type = ParsePeakTarget(o.rest[0]);
    const std::string typeText = std::to_string(type);
    const bool json = o.Has("--json");
    auto jsonLine = [&](LONG v) {
        return nlohmann::json({{"type", ComponentTypeName(type)}, {"componentType", type}, {"value", v}}).dump() + "\n";
    };
    if (!o.Has("--watch") && (o.Has("--count") || o.Has("--interval")))
        throw UsageError("peak: --count and --interval go with --watch");
    // GetPeak gives 0 for a line without a meter: say so instead.
    const std::string problem = PeakMeterProblem(type);
    if (!problem.empty()) throw ToolError("peak: " + problem);
    if (!o.Has("--watch")) {
        PlatformTick();
        const LONG v = CallExportValue("GetPeak", {typeText});
        if (json) c.out << jsonLine(v);
        else c.out << "peak " << ComponentTypeName(type) << " = " << v << "\n";
        return;
    }
    const LONG count = ParseValue(o.Value("--count", "0"), "peak: --count");
    const LONG interval = ParseValue(o.Value("--interval", "100"), "peak: --interval");
    if (count < 0 || interval < 1 || interval > 60000) throw UsageError("peak: --count from 0 (no end), --interval from 1 to 60000 ms");
    const bool terminal = !json && PlatformStdoutIsTerminal() && dynamic_cast<StdoutBuffer*>(c.out.rdbuf()) != nullptr;
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
            c.out << (json ? jsonLine(v) : std::to_string(v) + "\n") << std::flush;
        }
        if (!c.out) break;  // standard output is gone
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
    if (o.rest.size() != 1) throw UsageError("script: give one FILE ('-' for standard input)");
    const std::string& file = o.rest[0];
    if (c.depth >= 8) throw ToolError("script: scripts nested too deeply");
    std::string text;
    try {
        text = file == "-" ? ReadStandardInput() : ReadWholeFile(file);
    } catch (const ToolError& e) {
        throw ToolError(std::string("script: ") + e.what());
    }
    const std::string name = file == "-" ? std::string("standard input") : file;
    std::istringstream in(text);
    std::string line;
    int number = 0, failures = 0, status = kExitOk;
    Context inner{c.out, c.err, c.echo, c.depth + 1};
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = name + ":" + std::to_string(number) + ": ";
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
        throw ToolError(name + ": " + std::to_string(failures) + (failures == 1 ? " command" : " commands") + " failed",
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
           "the mixer straight from winmm to show it as it is, and 'set' reads a\n"
           "control's range there.\n"
           "\n"
           "Commands are separated by '--' or ';' (a word of its own, or ';' at the\n"
           "end of a word) and run in order; the first that fails ends the run.\n"
           "\n"
           "  mixerctl set play.main.volume 50% -- get --percent play.main.volume\n"
           "  mixerctl set play.linein.volume +5% play.main.mute toggle\n"
           "  mixerctl get --json play.main.volume play.main.mute\n"
           "\n"
           "Options:\n"
           "  --card FILE    simulated build: the card to load (JSON, docs/card-format.md)\n"
           "  --state FILE   simulated build: restore the card's values from FILE at the\n"
           "                 start (when it exists) and save them there at the end\n"
           "  --dll FILE     Windows build: load this file instead of MIXER.DLL\n"
           "  --echo         print each command ('> ...') before its output\n"
           "  -q, --quiet    print nothing on standard output (errors still go to\n"
           "                 standard error)\n"
           "  --version      the program's and the library's versions\n"
           "  --help         this text; 'mixerctl COMMAND --help' for a command,\n"
           "                 'mixerctl help paths' for the property paths\n"
           "\n"
           "Commands:\n";
    for (const Command& cmd : Commands()) {
        std::string u = cmd.usage;
        out << "  " << u << std::string(u.size() < 36 ? 36 - u.size() : 1, ' ') << cmd.summary << "\n";
    }
    out << "\nExit status: 0 when every command did what it said, 1 when one failed (a\n"
           "value that did not arrive, a read that failed, a file that cannot be\n"
           "used), 2 for a wrong command line or a value out of range. Errors go to\n"
           "standard error. The manual page mixerctl(1) has the details.\n";
}

const char* KindName(PathKind kind) {
    switch (kind) {
    case PathKind::Volume: return "level";
    case PathKind::Balance: return "position 0..15";
    case PathKind::Mute: return "switch";
    case PathKind::Boost: return "switch";
    case PathKind::BothBoosts: return "switch (both sides)";
    case PathKind::Select: return "selection";
    case PathKind::CdDigital: return "switch (the library's flag)";
    }
    return "";
}

// Every property path, one a line: the path, whether it reads and writes,
// and the kind of value it takes.
void PrintPaths(std::ostream& out) {
    for (const PropertyPath& p : AllPaths()) {
        std::string access = p.getter.empty() ? "set" : p.setter.empty() ? "get" : "get,set";
        out << p.path << std::string(p.path.size() < 22 ? 22 - p.path.size() : 1, ' ') << access
            << std::string(access.size() < 10 ? 10 - access.size() : 1, ' ') << KindName(p.kind) << "\n";
    }
}

void CmdHelp(Context& c, const Args& args) {
    if (args.empty()) {
        PrintProgramHelp(c.out);
        return;
    }
    if (args[0] == "paths") {
        PrintPaths(c.out);
        return;
    }
    for (const Command& cmd : Commands())
        if (args[0] == cmd.name) {
            PrintCommandHelp(c.out, cmd);
            return;
        }
    throw UsageError("help: no command '" + args[0] + "' (see 'mixerctl --help')");
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
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
         CmdList, false},
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
         CmdGet, true},
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
         CmdSet, true},
        {"call", "call [--json] NAME [ARG...]", "call any export and print its result",
         "Integers are decimal or 0x hexadecimal (-2147483648 to 4294967295), strings\n"
         "are taken as written ('@null' passes a null pointer). GetTavrinDirectory and\n"
         "GetMixerRecordChannels [LIMIT] fill a buffer: its text is printed after the\n"
         "result. LocateControl's HANDLE may be 'open': mixerctl opens mixer device 0\n"
         "around the call. 'mixerctl exports' lists every export and its arguments.\n"
         "--json prints {\"export\": NAME, \"result\": N, \"text\": TEXT or null}.\n",
         CmdCall, true},
        {"exports", "exports [--json]", "list the library's exports and their arguments",
         "--json prints [{\"ordinal\", \"name\", \"arguments\", \"stackBytes\", \"present\"}].\n",
         CmdExports, true},
        {"save", "save FILE", "save every mixer setting to FILE (the Save export)",
         "Fails when there is no mixer or FILE cannot be written (the reason is\n"
         "given); nothing is written then.\n",
         CmdSave, true},
        {"restore", "restore FILE", "restore the mixer settings saved in FILE (the Set export)",
         "FILE is read first as the library reads it: a file with no settings, a\n"
         "value that is not a number, a key the library does not restore, or a value\n"
         "outside its control's range is refused, and nothing is restored. After the\n"
         "library has applied it, every level and switch is read back.\n",
         CmdRestore, true},
        {"sources", "sources [--json]", "show the recording selector's items and which are selected",
         "Reads the first list control of mixer device 0's wave-in destination straight\n"
         "from winmm: its items, '*' before the selected ones, and whether it selects\n"
         "one source at a time (mux, single select) or several.\n",
         CmdSources, false},
        {"peak", "peak [--json] TYPE [--watch [--count N] [--interval MS]]", "read a line's peak meter (GetPeak)",
         "TYPE: a destination (speakers, wavein, ...), a line word (linein, mic, cd,\n"
         "waveout, aux, digital, analog, main), src.NAME / dst.NAME or a number. A line\n"
         "without a meter is an error. With --watch the reading repeats every MS\n"
         "milliseconds (100) until Ctrl-C or N readings: a level bar on a terminal,\n"
         "one number a line otherwise. --json prints {\"type\", \"componentType\",\n"
         "\"value\"} on one line per reading.\n",
         CmdPeak, true},
        {"cd", "cd open|play TRACK|stop|close", "drive the CD player (OpenCD, PlayCD, StopCD, CloseCD)",
         "Prints the MCI result; a non-zero one is also an error. The device stays\n"
         "open only while mixerctl runs, so open, play and stop in one run:\n"
         "  mixerctl cd open -- cd play 2 -- cd stop -- cd close\n",
         CmdCd, true},
        {"script", "script [--keep-going] FILE|-", "run the commands in FILE (or standard input), one a line",
         "Blank lines and '#' comments are skipped; double quotes group words. The\n"
         "first failing command ends the script, unless --keep-going: then its error\n"
         "is printed as 'error: ...' on standard output too, the script goes on, and\n"
         "the script fails at its end.\n",
         CmdScript, false},
        {"help", "help [COMMAND|paths]", "show help", "", CmdHelp, false},
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
        if (cmd->library) PlatformLoadLibrary();
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

StdoutBuffer::StdoutBuffer(std::FILE* file) : file_(file) { setp(buffer_, buffer_ + sizeof buffer_); }

StdoutBuffer::~StdoutBuffer() { sync(); }

bool StdoutBuffer::Drain() {
    const size_t n = static_cast<size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    if (failure_) return false;
    errno = 0;
    if (n && std::fwrite(buffer_, 1, n, file_) != n) failure_ = errno ? errno : EIO;
    return failure_ == 0;
}

StdoutBuffer::int_type StdoutBuffer::overflow(int_type ch) {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) sputc(traits_type::to_char_type(ch));
    return traits_type::not_eof(ch);
}

int StdoutBuffer::sync() {
    if (!Drain()) return -1;
    errno = 0;
    if (std::fflush(file_) != 0) failure_ = errno ? errno : EIO;
    return failure_ ? -1 : 0;
}

namespace {

// -q: output that goes nowhere.
struct NullBuffer : std::streambuf {
    int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
};

// Throws when standard output could not take what was written, with the
// reason the C runtime gave.
void CheckOutput(std::ostream& out) {
    out.flush();
    if (out) return;
    const auto* buffer = dynamic_cast<const StdoutBuffer*>(out.rdbuf());
    const int reason = buffer && buffer->Failure() ? buffer->Failure() : EIO;
    throw ToolError("cannot write standard output: " + SystemReason(reason));
}

}  // namespace

int RunCommands(const std::vector<std::string>& words, std::ostream& out, std::ostream& err, bool echo) {
    Context c{out, err, echo, 0};
    std::vector<Args> commands = SplitCommands(words);
    if (commands.empty()) {
        err << "mixerctl: no command (see 'mixerctl --help')\n";
        return kExitUsage;
    }
    for (const Args& cmd : commands) {
        try {
            try {
                RunOne(c, cmd);
            } catch (...) {
                out.flush();  // what the command printed comes before its error
                throw;
            }
            CheckOutput(out);
        } catch (const ToolError& e) {
            err << "mixerctl: " << e.what() << "\n";
            return e.status;
        } catch (const std::exception& e) {
            err << "mixerctl: " << cmd[0] << ": " << e.what() << "\n";
            return kExitFailure;
        }
    }
    return kExitOk;
}

int Main(int argc, char** argv) {
    GlobalOptions options;
    StdoutBuffer stdoutBuffer(stdout);
    NullBuffer nowhere;
    std::ostream out(&stdoutBuffer);
    std::vector<std::string> words;
    bool version = false;
    int i = 1;
    try {
        for (; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw UsageError(a + " needs a value");
                return argv[++i];
            };
            if (a == "--help" || a == "-h") {
                PrintProgramHelp(out);
                CheckOutput(out);
                return kExitOk;
            } else if (a == "--version" || a == "-V") {
                version = true;
            } else if (a == "--quiet" || a == "-q") {
                options.quiet = true;
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
        if (options.quiet) out.rdbuf(&nowhere);
        if (version) {
            if (!words.empty()) throw UsageError("--version takes no command");
            PlatformStart(options);
            const std::string library = PlatformLibraryVersion();
            out << "mixerctl " << MIXERCTL_VERSION << "\n" << library << "\n";
            PlatformFinish(options);
            CheckOutput(out);
            return kExitOk;
        }
        if (words.empty()) throw UsageError("no command (see 'mixerctl --help')");
        PlatformStart(options);
    } catch (const ToolError& e) {
        std::cerr << "mixerctl: " << e.what() << "\n";
        return e.status;
    }
    int status = RunCommands(words, out, std::cerr, options.echo);
    try {
        PlatformFinish(options);
        if (status == kExitOk) CheckOutput(out);
    } catch (const ToolError& e) {
        std::cerr << "mixerctl: " << e.what() << "\n";
        if (status == kExitOk) status = e.status;
    }
    return status;
}

}  // namespace mixerctl
