#include "mixer_dll.h"

#define MIXER_NO_PROTOTYPES
#include "mixer.h"

#include <cstdio>

namespace mixertools {

namespace {

std::string ModuleFileName(HMODULE module) {
    char path[MAX_PATH + 1] = {0};
    const DWORD n = GetModuleFileNameA(module, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

// Flags of LoadLibraryExA from Windows 7 with KB2533623 on; defined here for
// headers that target older systems.
const DWORD kSearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
const DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32

}  // namespace

std::string FullPath(const std::string& file) {
    if (file.empty() || file.find('\0') != std::string::npos) return "";
    std::string path;
    if (file.find_first_of("\\/:") == std::string::npos) {
        // A bare name: the program's own folder.
        const std::string program = ModuleFileName(nullptr);
        size_t slash = program.size();
        while (slash > 0 && !IsSeparator(program[slash - 1])) --slash;
        if (slash == 0) return "";
        path = program.substr(0, slash) + file;
    } else {
        char full[MAX_PATH + 1] = {0};
        char* name = nullptr;
        const DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, &name);
        if (n == 0 || n >= sizeof full) return "";
        path.assign(full, n);
    }
    return path.size() < MAX_PATH ? path : std::string();
}

bool HasDllSearchFlags() {
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 && GetProcAddress(kernel32, "SetDefaultDllDirectories") != nullptr;
}

VersionResource::VersionResource(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = path.empty() ? 0 : GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return;
    block_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block_.data())) {
        block_.clear();
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block_.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed &&
        length >= sizeof *fixed) {
        fixed_ = *fixed;
        hasFixed_ = true;
    }
}

std::string VersionResource::FileVersion() const {
    if (!hasFixed_) return "";
    char text[48];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed_.dwFileVersionMS), LOWORD(fixed_.dwFileVersionMS),
                  HIWORD(fixed_.dwFileVersionLS), LOWORD(fixed_.dwFileVersionLS));
    return text;
}

bool VersionResource::String(const char* name, std::string* value) const {
    value->clear();
    if (block_.empty()) return false;
    // VerQueryValueA takes a non-const block; it only reads it.
    void* block = const_cast<char*>(block_.data());
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
        !translations || size < sizeof(Translation))
        return false;
    char path[128];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language,
                  translations[0].codePage, name);
    char* text = nullptr;
    if (!VerQueryValueA(block, path, reinterpret_cast<void**>(&text), &size) || !text) return false;
    *value = text;
    return true;
}

bool MixerDll::Load(const std::string& file) { return Load(file, HasDllSearchFlags()); }

bool MixerDll::Load(const std::string& file, bool searchFlags) {
    Unload();
    const std::string path = FullPath(file);
    if (path.empty()) {
        error_ = file.empty() || file.find('\0') != std::string::npos ? ERROR_INVALID_PARAMETER
                                                                      : ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    // No "cannot find the DLL" box from the system: the caller says it. A
    // full path is never searched for, with the flags or without them.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = searchFlags ? LoadLibraryExA(path.c_str(), nullptr, kSearchDllLoadDir | kSearchSystem32)
                          : LoadLibraryA(path.c_str());
    error_ = module_ ? 0 : GetLastError();
    SetErrorMode(previous);
    return module_ != nullptr;
}

MixerDll& MixerDll::operator=(MixerDll&& other) noexcept {
    if (this != &other) {
        Unload();
        module_ = other.module_;
        error_ = other.error_;
        other.module_ = nullptr;
    }
    return *this;
}

void MixerDll::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

std::string MixerDll::Path() const { return module_ ? ModuleFileName(module_) : std::string(); }

std::string MixerDll::Directory() const {
    const std::string path = Path();
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FARPROC MixerDll::Address(const char* name) const {
    if (!module_ || !name || !*name) return nullptr;
    return GetProcAddress(module_, name);
}

std::vector<std::string> MixerDll::MissingExports() const {
#define MIXER_DLL_NAME(result, name, params) #name,
    static const char* const kNames[] = {MIXER_FUNCTIONS(MIXER_DLL_NAME)};
#undef MIXER_DLL_NAME
    std::vector<std::string> missing;
    for (const char* name : kNames)
        if (!Address(name)) missing.push_back(name);
    return missing;
}

std::string SystemErrorText(DWORD code) {
    char text[512] = {0};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                   sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    for (char& ch : s)
        if (ch == '\r' || ch == '\n') ch = ' ';
    if (s.empty()) s = "error " + std::to_string(code);
    return s;
}

}  // namespace mixertools
