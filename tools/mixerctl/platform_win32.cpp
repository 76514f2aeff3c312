// The Windows build: MIXER.DLL is loaded by name with LoadLibraryA and its
// exports are found with GetProcAddress, as the host application does; the
// mixer is the machine's own.
#include "platform.h"

#include "exports_table.h"

#include <io.h>
#include <cstdio>
#include <vector>

namespace mixerctl {
namespace {

std::string g_dllName = "MIXER.DLL";
HMODULE g_dll = nullptr;

// The system's text for a Win32 error code, on one line.
std::string SystemMessage(DWORD code) {
    char text[512] = {0};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    for (char& ch : s)
        if (ch == '\r' || ch == '\n') ch = ' ';
    if (s.empty()) s = "error " + std::to_string(code);
    return s;
}

std::string Directory(UINT (WINAPI* get)(LPSTR, UINT)) {
    char path[MAX_PATH + 1] = {0};
    UINT n = get(path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string("?");
}

std::string CurrentDirectory() {
    char path[MAX_PATH + 1] = {0};
    DWORD n = GetCurrentDirectoryA(sizeof path, path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string("?");
}

std::string ProgramDirectory() {
    char path[MAX_PATH + 1] = {0};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p = n > 0 && n < sizeof path ? std::string(path, n) : std::string("?");
    size_t slash = p.find_last_of("\\/");
    return slash == std::string::npos ? p : p.substr(0, slash);
}

// The library's own file name, as Windows loaded it.
std::string ModulePath(HMODULE module) {
    char path[MAX_PATH + 1] = {0};
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : g_dllName;
}

std::string Base(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where LoadLibraryA looks for a bare name: the program's directory, the
// system directories, the current directory and PATH.
std::string NotFoundMessage() {
    return "cannot load " + g_dllName + ": not found in the program's directory (" + ProgramDirectory() +
           "), the system directories (" + Directory(GetSystemDirectoryA) + ", " + Directory(GetWindowsDirectoryA) +
           "), the current directory (" + CurrentDirectory() + ") or the directories on PATH; put " + g_dllName +
           " beside mixerctl.exe or name it with --dll FILE";
}

HMODULE Library() {
    if (!g_dll) {
        // No "cannot find the DLL" box from the system: the message below says it.
        UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        g_dll = LoadLibraryA(g_dllName.c_str());
        const DWORD error = GetLastError();
        SetErrorMode(previous);
        if (!g_dll) {
            const bool bareName = g_dllName.find_first_of("\\/:") == std::string::npos;
            if (bareName && (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)) throw ToolError(NotFoundMessage());
            throw ToolError("cannot load " + g_dllName + ": " + SystemMessage(error));
        }
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

void PlatformLoadLibrary() { Library(); }

std::string PlatformLibraryVersion() {
    const std::string path = ModulePath(Library());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> data(size ? size : 1);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || length < sizeof *info)
        return Base(path) + " (no version resource) (" + path + ")";
    return Base(path) + " " + std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." + std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS)) + " (" + path + ")";
}

std::string PlatformFilePath(const std::string& path) { return path; }

}  // namespace mixerctl
