// The Windows build: MIXER.DLL is loaded from the program's own folder (or
// the file --dll names) and its exports are found with GetProcAddress, as the
// host application does; the mixer is the machine's own.
#include "mixerctl.h"

#include "mixer_dll.h"

namespace mixerctl {
namespace {

std::string g_dllName = mixertools::MixerDll::kName;
mixertools::MixerDll g_dll;

// The library is taken from one place only (mixertools::FullPath): a bare
// name from the program's folder, a path as given; never from the current
// directory or PATH.
std::string NotFoundMessage() {
    const std::string path = mixertools::FullPath(g_dllName);
    return "cannot load " + g_dllName + ": not found at " + (path.empty() ? g_dllName : path) + "; put " +
           g_dllName + " beside mixerctl.exe or name it with --dll FILE";
}

const mixertools::MixerDll& Library() {
    if (!g_dll.Loaded() && !g_dll.Load(g_dllName)) {
        if (g_dll.Error() == ERROR_MOD_NOT_FOUND || g_dll.Error() == ERROR_FILE_NOT_FOUND ||
            g_dll.Error() == ERROR_PATH_NOT_FOUND)
            throw ToolError(NotFoundMessage());
        throw ToolError("cannot load " + g_dllName + ": " + mixertools::SystemErrorText(g_dll.Error()));
    }
    return g_dll;
}

}  // namespace

AnyFn ExportAddress(const char* name) { return mixertools::AsFunction<AnyFn>(Library().Address(name)); }

bool PlatformSimulated() { return false; }

void PlatformStart(const GlobalOptions& options) {
    if (!options.card.empty()) throw UsageError("--card works only in the simulated build");
    if (!options.state.empty()) throw UsageError("--state works only in the simulated build");
    if (!options.dll.empty()) g_dllName = options.dll;
}

void PlatformFinish(const GlobalOptions&) { g_dll.Unload(); }

void PlatformAfterCommand(std::ostream&) {}

void PlatformTick() {}

void PlatformLoadLibrary() { Library(); }

std::string PlatformLibraryVersion() {
    const std::string path = Library().Path();
    const std::string version = g_dll.Version().FileVersion();
    return path.substr(path.find_last_of("\\/") + 1) + " " + (version.empty() ? "(no version resource)" : version) +
           " (" + path + ")";
}

std::string PlatformFilePath(const std::string& path) { return path; }

}  // namespace mixerctl
