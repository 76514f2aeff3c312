// call, exports, peak, cd and script: the exports by name, the peak meter,
// the CD player and scripts of commands.
#include "mixerctl.h"

#include "command_table.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace mixerctl {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
extern "C" void OnInterrupt(int) { g_interrupted = 1; }

// One JSON object on one line (--json of call and peak), or the text.
void Print(Context& c, bool asJson, const nlohmann::json& value, const std::string& text) {
    c.out << (asJson ? value.dump() : text) << "\n";
}

}  // namespace

void CmdCall(Context& c, const Options& o) {
    // Options only before the export's name: what follows is its arguments.
    if (o.rest.empty()) throw UsageError("call: give an export name (see 'mixerctl exports')");
    const ExportInfo* info = FindExport(o.rest[0]);
    if (!info) throw UsageError("call: no export named '" + o.rest[0] + "' (see 'mixerctl exports')");
    const CallOutcome r = CallExport(info->name, Args(o.rest.begin() + 1, o.rest.end()));
    const nlohmann::json text = r.hasText ? nlohmann::json(r.text) : nlohmann::json();
    Print(c, o.Has("--json"), {{"export", info->name}, {"result", r.result}, {"text", text}},
          info->name + (" = " + std::to_string(r.result)) + (r.hasText ? " \"" + r.text + "\"" : ""));
}

void CmdExports(Context& c, const Options& o) {
    NoArguments("exports", o.rest);
    nlohmann::json all = nlohmann::json::array();
    std::string text;
    for (const ExportInfo& e : Exports()) {
        const bool present = ExportAddress(e.name) != nullptr;
        const std::string a = CommandLineArguments(e);
        // Ordinals follow the alphabetical order of the names.
        all.push_back({{"ordinal", all.size() + 1},
                       {"name", e.name},
                       {"arguments", a},
                       {"stackBytes", 4 * e.argumentCount},
                       {"present", present}});
        text += std::string(e.name) + (a.empty() ? "" : " " + a) + (present ? "" : "   (missing)") + "\n";
    }
    c.out << (o.Has("--json") ? all.dump(2) + "\n" : text);
}

void CmdPeak(Context& c, const Options& o) {
    if (o.rest.size() != 1) throw UsageError("peak: give one line TYPE (e.g. wavein, speakers, mic, src.line, 0x1003)");
    const DWORD type = ParsePeakTarget(o.rest[0]);
    const bool asJson = o.Has("--json"), watch = o.Has("--watch");
    if (!watch && (o.Has("--count") || o.Has("--interval")))
        throw UsageError("peak: --count and --interval go with --watch");
    const LONG count = ParseValue(o.Value("--count", watch ? "0" : "1"), "peak: --count");
    const LONG interval = ParseValue(o.Value("--interval", "100"), "peak: --interval");
    if (count < 0 || interval < 1 || interval > 60000)
        throw UsageError("peak: --count from 0 (no end), --interval from 1 to 60000 ms");
    // GetPeak gives 0 for a line without a meter: say so instead.
    const std::string problem = PeakMeterProblem(type);
    if (!problem.empty()) throw ToolError("peak: " + problem);
    // A level bar on a terminal; one reading a line otherwise.
    const bool bar = watch && !asJson && isatty(fileno(stdout)) && dynamic_cast<StdoutBuffer*>(c.out.rdbuf());
    g_interrupted = 0;
    void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
    for (LONG n = 0; (count == 0 || n < count) && !g_interrupted && c.out; ++n) {
        if (n) std::this_thread::sleep_for(std::chrono::milliseconds(interval));
        PlatformTick();
        const LONG v = CallExport("GetPeak", {std::to_string(type)}).result;
        const int width = 40;
        const int filled = static_cast<int>(std::clamp<long long>(static_cast<long long>(v) * width / 32768, 0, width));
        if (bar)
            c.out << "\r" << ComponentTypeName(type) << " [" << std::string(filled, '#')
                  << std::string(width - filled, ' ') << "] " << v << "      " << std::flush;
        else
            Print(c, asJson, {{"type", ComponentTypeName(type)}, {"componentType", type}, {"value", v}},
                  watch ? std::to_string(v) : "peak " + ComponentTypeName(type) + " = " + std::to_string(v));
        c.out.flush();
    }
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    if (bar) c.out << "\n";
}

void CmdCd(Context& c, const Options& o) {
    const std::string what = o.rest.empty() ? "" : Lower(o.rest[0]);
    if (what != "open" && what != "play" && what != "stop" && what != "close")
        throw UsageError("cd: give open, play TRACK, stop or close");
    const std::string name = static_cast<char>(std::toupper(what[0])) + what.substr(1) + "CD";  // OpenCD, ...
    LONG r;
    try {
        r = CallExport(name, Args(o.rest.begin() + 1, o.rest.end())).result;  // the export's table checks TRACK
    } catch (const UsageError& e) {
        throw UsageError("cd " + what + ": " + e.what());
    }
    c.out << name << " = " << r << "\n";
    if (r != 0) throw ToolError("cd " + what + ": " + MciErrorText(static_cast<MCIERROR>(r)));
}

void CmdScript(Context& c, const Options& o) {
    if (o.rest.size() != 1) throw UsageError("script: give one FILE ('-' for standard input)");
    const std::string& file = o.rest[0];
    if (c.depth >= 8) throw ToolError("script: scripts nested too deeply");
    const std::string text = file == "-" ? std::string(std::istreambuf_iterator<char>(std::cin), {})
                                         : ReadWholeFile(PlatformUserPath(file, "script"), "script: ");
    if (file == "-" && std::cin.bad()) throw ToolError("script: cannot read standard input");
    const std::string name = file == "-" ? std::string("standard input") : file;
    std::istringstream in(text);
    std::string line;
    int number = 0, failures = 0, status = kExitOk;
    Context inner{c.out, c.err, c.echo, c.depth + 1, c.quiet};
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = name + ":" + std::to_string(number) + ": ";
        try {
            const Args words = SplitScriptLine(line);
            if (!words.empty()) RunOne(inner, words);
        } catch (const ToolError& e) {
            if (!o.Has("--keep-going")) throw ToolError(where + e.what(), e.status);
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

}  // namespace mixerctl
