// MIXER.DLL as the panel uses it: loaded by name with LoadLibraryA, every
// export found by its plain name with GetProcAddress.
#pragma once

#include <windows.h>

#include <string>

namespace mixerpanel {

typedef LONG(WINAPI* Getter)(void);
typedef LONG(WINAPI* Setter)(LONG);

struct Library {
    HMODULE module = nullptr;
    std::string path;         // of the module loaded
    std::string version;      // "1.0.0.0" from its version resource, "" without one
    std::string description;  // its FileDescription

    LONG(WINAPI* GetPeak)(DWORD) = nullptr;
    LONG(WINAPI* GetMicBoostMode)(void) = nullptr;
    LONG(WINAPI* SelectLine)(LONG, LPCSTR, LONG) = nullptr;
    LONG(WINAPI* IsMuxSingleSelect)(void) = nullptr;
    LONG(WINAPI* GetMixerRecordChannels)(LPSTR, DWORD) = nullptr;
    LONG(WINAPI* Save)(LPCSTR) = nullptr;
    LONG(WINAPI* Set)(LPCSTR) = nullptr;
    LONG(WINAPI* ReadDigitalConfiguration)(void) = nullptr;
    LONG(WINAPI* SetSoundCardConfigFilePath)(LPCSTR) = nullptr;
    LONG(WINAPI* OpenCD)(void) = nullptr;
    LONG(WINAPI* PlayCD)(LONG) = nullptr;
    LONG(WINAPI* StopCD)(void) = nullptr;
    LONG(WINAPI* CloseCD)(void) = nullptr;
    LONG(WINAPI* SetCDTypeDigital)(LONG) = nullptr;
    LONG(WINAPI* GetCDTypeDigital)(void) = nullptr;

    // An export by name; null when the name is empty or the library lacks it.
    FARPROC Find(const char* name) const;
};

// Loads `name` and finds every export the panel uses (model.h, ExportsUsed).
// On failure the library is unloaded and `error` says what was missing.
bool LoadMixerLibrary(const std::string& name, Library* library, std::string* error);
void UnloadMixerLibrary(Library* library);

}  // namespace mixerpanel
