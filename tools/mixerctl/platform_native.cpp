// The simulated build: the library is linked in, the platform is the
// simulated one, and the card comes from a JSON file or the default card.
#include "mixerctl.h"

#include "core/exports.h"
#include "sim.h"
#include "sim_card.h"
#include "sim_files.h"
#include "sim_mci.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

// The library's load-time entry point.
extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

namespace mixerctl {
namespace {

size_t g_messageBoxesSeen = 0;
size_t g_traceLinesSeen = 0;
bool g_trace = false;

// The directory of this program as a Windows path, so that the library's
// directory (where it looks for sound-card name files) is the program's.
std::string ProgramModulePath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string p = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string("./mixerctl");
    p = p.substr(0, p.find_last_of('/') + 1) + "MIXER.DLL";
    for (char& ch : p)
        if (ch == '/') ch = '\\';
    return p;
}

}  // namespace

AnyFn ExportAddress(const char* name) {
#define MIXERCTL_ADDRESS(result, function, params) \
    if (std::strcmp(name, #function) == 0) return reinterpret_cast<AnyFn>(&function);
    MIXER_FUNCTIONS(MIXERCTL_ADDRESS)
#undef MIXERCTL_ADDRESS
    return nullptr;
}

bool PlatformSimulated() { return true; }

Args PlatformArguments(int argc, char** argv) { return Args(argv + (argc > 0 ? 1 : 0), argv + argc); }

std::string PlatformWineVersion() { return ""; }

void PlatformStart(const GlobalOptions& options) {
    if (!options.dll.empty()) throw UsageError("--dll works only in the Windows build");
    // A card or state file that cannot be read is a sim::CardError, which
    // Main reports as it does a ToolError.
    if (options.card.empty())
        sim::LoadCardText(DefaultCardText(), "default card");
    else
        sim::LoadCardFile(options.card);
    if (!options.state.empty()) {
        // It is saved at the end: it must be writable before a command changes the card.
        const std::string problem = WriteProblem(options.state);
        if (!problem.empty()) throw ToolError("--state: cannot write " + options.state + ": " + problem);
        sim::RestoreCardStateFile(options.state);
    }
    sim::SetModulePath(ProgramModulePath());
    // The library reads MIXER_TRACE at load, from the simulated platform's
    // environment: the program's own value (a path is the simulated
    // platform's), or with --trace its debug output, which is printed after
    // each command.
    if (const char* value = std::getenv("MIXER_TRACE")) sim::SetEnvironment("MIXER_TRACE", std::string(value));
    g_trace = options.trace;
    if (g_trace) sim::SetEnvironment("MIXER_TRACE", std::string("debug"));
    DllMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000)), DLL_PROCESS_ATTACH, nullptr);
    g_messageBoxesSeen = sim::MessageBoxes().size();
    g_traceLinesSeen = sim::DebugStrings().size();
}

void PlatformFinish(const GlobalOptions& options) {
    if (!options.state.empty()) sim::SaveCardStateFile(options.state);
    // The library's unload: the trace's file, when it has one, is closed.
    DllMain(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x10000000)), DLL_PROCESS_DETACH, nullptr);
}

void PlatformAfterCommand(std::ostream& err) {
    const std::vector<sim::MessageBoxCall>& boxes = sim::MessageBoxes();
    for (; g_messageBoxesSeen < boxes.size(); ++g_messageBoxesSeen) {
        const sim::MessageBoxCall& b = boxes[g_messageBoxesSeen];
        err << "mixerctl: the library showed a message box \"" << b.caption << "\": " << b.text << "\n";
    }
    if (!g_trace) return;
    const std::vector<std::string> lines = sim::DebugStrings();
    for (; g_traceLinesSeen < lines.size(); ++g_traceLinesSeen)
        err << mixer_names::NameTraceCodes(lines[g_traceLinesSeen]);
    err.flush();
}

void PlatformTick() { sim::TickLiveMeters(); }

void PlatformLoadLibrary() {}

std::string PlatformLibraryVersion() {
    return std::string("MIXER library ") + MIXER_LIBRARY_VERSION + " (linked in, on the simulated platform)";
}

std::string PlatformFilePath(const std::string& path) { return sim::HostPath(path); }

std::string PlatformUserPath(const std::string& path, const std::string&) { return path; }

}  // namespace mixerctl
