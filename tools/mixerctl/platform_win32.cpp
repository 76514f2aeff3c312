// The Windows build: MIXER.DLL is loaded by name with LoadLibraryA and its
// exports are found with GetProcAddress, as the host application does; the
// mixer is the machine's own.
#include "platform.h"

#include "exports_table.h"

#include <io.h>
#include <cstdio>

namespace mixerctl {
namespace {

std::string g_dllName = "MIXER.DLL";
HMODULE g_dll = nullptr;

HMODULE Library() {
    if (!g_dll) {
        g_dll = LoadLibraryA(g_dllName.c_str());
        if (!g_dll)
            throw ToolError("cannot load " + g_dllName + " (error " + std::to_string(GetLastError()) + ")");
    }
    return g_dll;
}

}  // namespace

AnyFn ExportAddress(const char* name) { return reinterpret_cast<AnyFn>(GetProcAddress(Library(), name)); }

bool PlatformSimulated() { return false; }

void PlatformStart(const GlobalOptions& options) {
    if (!options.card.empty()) throw UsageError("--card works only in the simulated build");
    if (!options.state.empty()) throw UsageError("--state works only in the simulated build");
    if (!options.dll.empty()) g_dllName = options.dll;
}

void PlatformFinish(const GlobalOptions&) {
    if (g_dll) FreeLibrary(g_dll);
    g_dll = nullptr;
}

void PlatformAfterCommand(std::ostream&) {}

void PlatformTick() {}

void PlatformSleep(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

bool PlatformStdoutIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

}  // namespace mixerctl
