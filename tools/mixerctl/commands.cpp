#include "mixerctl.h"

#include "command_table.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <sstream>

namespace mixerctl {

namespace {

std::string MciErrorText(LONG code) {
    char text[256] = {0};
    if (mciGetErrorStringA(static_cast<MCIERROR>(code), text, sizeof text) && text[0]) return text;
    return "no text for this code";
}

// ---- Commands ------------------------------------------------------------------

}  // namespace

void CmdList(Context& c, const Options& o) {
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

void CmdCall(Context& c, const Options& o) {
    // Options only before the export's name: what follows is its arguments.
    const bool json = o.Has("--json");
    const Args& rest = o.rest;
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

void CmdExports(Context& c, const Options& o) {
    NoArguments("exports", o.rest);
    nlohmann::json all = nlohmann::json::array();
    std::string text;
    int ordinal = 0;
    for (const ExportInfo& e : Exports()) {
        ++ordinal;  // ordinals follow the alphabetical order of the names
        const bool present = ExportAddress(e.name) != nullptr;
        const std::string a = CommandLineArguments(e);
        all.push_back({{"ordinal", ordinal},
                       {"name", e.name},
                       {"arguments", a},
                       {"stackBytes", 4 * e.argumentCount},
                       {"present", present}});
        text += std::string(e.name) + (a.empty() ? "" : " " + a) + (present ? "" : "   (missing)") + "\n";
    }
    if (o.Has("--json")) c.out << all.dump(2) << "\n";
    else c.out << text;
}

void CmdSources(Context& c, const Options& o) {
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

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }
}  // namespace

void CmdPeak(Context& c, const Options& o) {
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

void CmdCd(Context& c, const Options& o) {
    const std::string what = o.rest.empty() ? "" : Lower(o.rest[0]);
    const char* name = what == "open"    ? "OpenCD"
                       : what == "play"  ? "PlayCD"
                       : what == "stop"  ? "StopCD"
                       : what == "close" ? "CloseCD"
                                         : nullptr;
    if (!name) throw UsageError("cd: give open, play TRACK, stop or close");
    LONG r;
    try {
        r = CallExportValue(name, Args(o.rest.begin() + 1, o.rest.end()));  // the export's table checks TRACK
    } catch (const UsageError& e) {
        throw UsageError("cd " + what + ": " + e.what());
    }
    c.out << name << " = " << r << "\n";
    if (r != 0) throw ToolError("cd " + what + ": MCI error " + std::to_string(r) + ": " + MciErrorText(r));
}

void CmdScript(Context& c, const Options& o) {
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

void PrintPaths(std::ostream& out) {
    const char* kKinds[] = {"level", "position 0..15", "switch", "switch", "switch (both sides)", "selection",
                            "switch (the library's flag)"};  // by PathKind
    for (const PropertyPath& p : AllPaths()) {
        const std::string access = p.getter.empty() ? "set" : p.setter.empty() ? "get" : "get,set";
        out << p.path << std::string(p.path.size() < 22 ? 22 - p.path.size() : 1, ' ') << access
            << std::string(access.size() < 10 ? 10 - access.size() : 1, ' ') << kKinds[static_cast<int>(p.kind)] << "\n";
    }
}

}  // namespace mixerctl
