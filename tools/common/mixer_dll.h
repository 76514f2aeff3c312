// MIXER.DLL as a Windows program hosts it: loaded from the program's own
// folder by full path, its exports found with GetProcAddress and called
// through mixer.h's pointer types, its version read from its version
// resource.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace mixertools {

// A function address as the pointer type F, through void (*)(void): the
// type a cast between function types goes through without a warning.
template <typename F>
F AsFunction(FARPROC address) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)(void)>(address));
}

// The version resource of a file.
class VersionResource {
public:
    // Reads the resource of the file at `path`; Read() tells whether there
    // was one.
    explicit VersionResource(const std::string& path);

    bool Read() const { return !block_.empty(); }
    // The fixed part (VS_FIXEDFILEINFO); null when the resource lacks it.
    const VS_FIXEDFILEINFO* Fixed() const { return hasFixed_ ? &fixed_ : nullptr; }
    // The file version of the fixed part, "1.2.3.4"; "" without one.
    std::string FileVersion() const;
    // A value of the string table of the first translation listed
    // ("FileDescription", "OriginalFilename", ...); false when there is none.
    bool String(const char* name, std::string* value) const;

private:
    std::vector<char> block_;
    VS_FIXEDFILEINFO fixed_ = {};
    bool hasFixed_ = false;
};

class MixerDll {
public:
    static constexpr const char* kName = "MIXER.DLL";

    MixerDll() = default;
    ~MixerDll() { Unload(); }
    MixerDll(const MixerDll&) = delete;
    MixerDll& operator=(const MixerDll&) = delete;
    MixerDll(MixerDll&& other) noexcept : module_(other.module_), error_(other.error_) { other.module_ = nullptr; }
    MixerDll& operator=(MixerDll&& other) noexcept;

    // Loads `file` by its full path (FullPath), so that no search takes
    // another file of that name: never one in the current directory or on
    // PATH. The library's own imports are then looked for in its folder and
    // the system directory (LoadLibraryExA with LOAD_LIBRARY_SEARCH_*), where
    // the system has those flags (Windows 7 with KB2533623, and later); older
    // systems load the full path with LoadLibraryA. The system shows no box of
    // its own when the file is missing. False when it cannot be loaded;
    // Error() then gives the system's code. Unloads what was loaded before.
    bool Load(const std::string& file = kName);
    // The same, with the search flags or without them (LoadLibraryA, as on
    // systems without the flags) as told: tests take both ways on one
    // system. With the flags on a system without them the load fails.
    bool Load(const std::string& file, bool searchFlags);
    void Unload();

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }
    DWORD Error() const { return error_; }
    // The file Windows loaded, and its directory ending in a backslash; ""
    // when nothing is loaded.
    std::string Path() const;
    std::string Directory() const;

    // An export's address; null when nothing is loaded, the name is null or
    // empty, or the library lacks it.
    FARPROC Address(const char* name) const;
    template <typename F>
    F Function(const char* name) const {
        return AsFunction<F>(Address(name));
    }
    // The exports of mixer.h the loaded library lacks, in mixer.h's order.
    std::vector<std::string> MissingExports() const;

    VersionResource Version() const { return VersionResource(Path()); }

private:
    HMODULE module_ = nullptr;
    DWORD error_ = 0;
};

// Where MixerDll::Load takes `file` from: a name without a directory from
// the running program's folder (GetModuleFileNameA), a relative path with
// one from the current directory, an absolute path as it is. "" when `file`
// is empty or the path does not fit in MAX_PATH.
std::string FullPath(const std::string& file);

// Whether the system's LoadLibraryExA takes the LOAD_LIBRARY_SEARCH_* flags:
// kernel32 exports SetDefaultDllDirectories where it does.
bool HasDllSearchFlags();

// An export as its mixer.h pointer type: MIXER_DLL_FUNCTION(dll, GetPeak)
// is a MIXER_PFN_GetPeak, null when the library lacks it. Needs mixer.h.
#define MIXER_DLL_FUNCTION(dll, name) (dll).Function<MIXER_PFN_##name>(#name)

// The system's text for a Win32 error code on one line, without the final
// period; "error N" when the system has none.
std::string SystemErrorText(DWORD code);

}  // namespace mixertools
