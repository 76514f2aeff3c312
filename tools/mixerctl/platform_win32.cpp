// The Windows build: MIXER.DLL is loaded from the program's own folder (or
// the file --dll names) and its exports are found with GetProcAddress, as the
// host application does; the mixer is the machine's own.
#include "mixerctl.h"

#include "mixer_dll.h"
#include "text_code_page.h"

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

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

// The library is taken from one place only (mixertools::FullPath): a bare
// name from the program's folder, a path as given; never from the current
// directory or PATH.
std::string NotFoundMessage() {
    const std::string path = mixertools::FullPath(mixertools::Utf8ToAnsi(g_dllName));
    return "cannot load " + g_dllName + ": not found at " + (path.empty() ? g_dllName : mixertools::AnsiToUtf8(path)) +
           "; put " + g_dllName + " beside mixerctl.exe or name it with --dll FILE";
}

const mixertools::MixerDll& Library() {
    if (!g_dll.Loaded() && !g_dll.Load(mixertools::Utf8ToAnsi(g_dllName))) {
        if (g_dll.Error() == ERROR_MOD_NOT_FOUND || g_dll.Error() == ERROR_FILE_NOT_FOUND ||
            g_dll.Error() == ERROR_PATH_NOT_FOUND)
            throw ToolError(NotFoundMessage());
        throw ToolError("cannot load " + g_dllName + ": " + mixertools::AnsiToUtf8(mixertools::SystemErrorText(g_dll.Error())));
    }
    return g_dll;
}

}  // namespace

AnyFn ExportAddress(const char* name) { return mixertools::AsFunction<AnyFn>(Library().Address(name)); }

bool PlatformSimulated() { return false; }

Args PlatformArguments(int argc, char** argv) {
    // LF alone: the C runtime's text mode would write CR LF, which a shell's
    // $(...) keeps.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // The wide command line has every character; argv has those of the ANSI
    // code page only.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return Args(argv + (argc > 0 ? 1 : 0), argv + argc);
    Args out;
    for (int i = 1; i < count; ++i) out.push_back(mixertools::WideToUtf8(wide[i]));
    LocalFree(wide);
    return out;
}

std::string PlatformWineVersion() {
    using WineGetVersion = const char*(CDECL*)(void);
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto get = ntdll ? mixertools::AsFunction<WineGetVersion>(GetProcAddress(ntdll, "wine_get_version")) : nullptr;
    const char* version = get ? get() : nullptr;
    return version ? version : "";
}

void PlatformStart(const GlobalOptions& options) {
    if (!options.card.empty()) throw UsageError("--card works only in the simulated build");
    if (!options.state.empty()) throw UsageError("--state works only in the simulated build");
    // The trace file is named before the library loads (it reads
    // MIXER_TRACE then); a library named is loaded before any command, so
    // that every command, those that read winmm alone included, fails when
    // it cannot be.
    if (options.trace) g_traceFile.Start();
    if (!options.dll.empty()) {
        g_dllName = PlatformUserPath(options.dll, "--dll");
        Library();
    }
}

void PlatformFinish(const GlobalOptions&) { g_dll.Unload(); }

void PlatformAfterCommand(std::ostream& err) {
    err << mixer_names::NameTraceCodes(g_traceFile.NewText());
    err.flush();
}

void PlatformTick() {}

void PlatformLoadLibrary() { Library(); }

std::string PlatformLibraryVersion() {
    const std::string path = mixertools::AnsiToUtf8(Library().Path());
    const std::string version = g_dll.Version().FileVersion();
    return path.substr(path.find_last_of("\\/") + 1) + " " + (version.empty() ? "(no version resource)" : version) +
           " (" + path + ")";
}

// The C runtime opens files by their ANSI names.
std::string PlatformFilePath(const std::string& path) { return mixertools::Utf8ToAnsi(path); }

std::string PlatformUserPath(const std::string& path, const std::string& command) {
    using DosName = WCHAR*(CDECL*)(const char*);
    const auto dos = !path.empty() && path[0] == '/' && !PlatformWineVersion().empty()
                         ? mixertools::AsFunction<DosName>(GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                          "wine_get_dos_file_name"))
                         : nullptr;
    WCHAR* wide = dos ? dos(path.c_str()) : nullptr;
    const std::string mapped = wide ? mixertools::WideToUtf8(wide) : path;
    if (wide) HeapFree(GetProcessHeap(), 0, wide);
    if (mixertools::AnsiToUtf8(mixertools::Utf8ToAnsi(mapped)) != mapped)
        throw ToolError(command + ": " + path + ": the name has characters that the ANSI code page (" +
                        std::to_string(GetACP()) + ") lacks, and the library takes file names in it: use another name");
    return mapped;
}

}  // namespace mixerctl
