// The Windows build: MIXER.DLL is loaded by name with LoadLibraryA and its
// exports are found with GetProcAddress, as the host application does; the
// mixer is the machine's own.
#include "mixerctl.h"

#include "mixer_dll.h"

#include <algorithm>

namespace mixerctl {
namespace {

std::string g_dllName = mixertools::MixerDll::kName;
mixertools::MixerDll g_dll;

// --trace: the library traces to a temporary file (MIXER_TRACE, read when it
// is loaded), whose new lines are printed after each command. The file is
// deleted when the program ends, however it ends; the library shares it for
// deletion.
class TraceFile {
public:
    ~TraceFile() {
        if (!path_.empty()) DeleteFileA(path_.c_str());
    }
    // Sets MIXER_TRACE to a new temporary file; a ToolError when none can be made.
    void Start() {
        char dir[MAX_PATH + 1] = {0};
        char path[MAX_PATH + 1] = {0};
        const DWORD n = GetTempPathA(sizeof dir, dir);
        if (n == 0 || n > sizeof dir || GetTempFileNameA(dir, "mxt", 0, path) == 0)
            throw ToolError("--trace: cannot make a temporary file: " + mixertools::SystemErrorText(GetLastError()));
        path_ = path;
        SetEnvironmentVariableA("MIXER_TRACE", path);
    }
    // What the library added since the last call.
    std::string NewText() {
        if (path_.empty()) return "";
        HANDLE f = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE) return "";
        std::string text;
        LARGE_INTEGER start;
        start.QuadPart = static_cast<LONGLONG>(seen_);
        if (SetFilePointerEx(f, start, nullptr, FILE_BEGIN)) {
            char block[4096];
            DWORD n = 0;
            while (ReadFile(f, block, sizeof block, &n, nullptr) && n > 0) text.append(block, n);
        }
        CloseHandle(f);
        seen_ += text.size();
        return text;
    }

private:
    std::string path_;
    size_t seen_ = 0;
};
TraceFile g_traceFile;

// A path a Win32 function writes into a buffer of MAX_PATH + 1, given as
// get(buffer, size); "?" when it fails.
template <typename Get>
std::string PathFrom(Get get) {
    char path[MAX_PATH + 1] = {0};
    const DWORD n = get(path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string("?");
}

// Where LoadLibraryA looks for a bare name: the program's directory, the
// system directories, the current directory and PATH.
std::string NotFoundMessage() {
    const std::string program = PathFrom([](LPSTR p, DWORD n) { return GetModuleFileNameA(nullptr, p, n); });
    return "cannot load " + g_dllName + ": not found in the program's directory (" +
           program.substr(0, std::min(program.find_last_of("\\/"), program.size())) + "), the system directories (" +
           PathFrom(GetSystemDirectoryA) + ", " + PathFrom(GetWindowsDirectoryA) + "), the current directory (" +
           PathFrom([](LPSTR p, DWORD n) { return GetCurrentDirectoryA(n, p); }) +
           ") or the directories on PATH; put " + g_dllName + " beside mixerctl.exe or name it with --dll FILE";
}

const mixertools::MixerDll& Library() {
    if (!g_dll.Loaded() && !g_dll.Load(g_dllName)) {
        const bool bareName = g_dllName.find_first_of("\\/:") == std::string::npos;
        if (bareName && (g_dll.Error() == ERROR_MOD_NOT_FOUND || g_dll.Error() == ERROR_FILE_NOT_FOUND))
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
    if (options.trace) g_traceFile.Start();
}

void PlatformFinish(const GlobalOptions&) { g_dll.Unload(); }

void PlatformAfterCommand(std::ostream& err) {
    err << g_traceFile.NewText();
    err.flush();
}

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
