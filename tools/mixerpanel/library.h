// MIXER.DLL as the panel uses it: loaded by name (tools/common's MixerDll),
// every export found by its plain name and held as mixer.h's pointer type.
#pragma once

#include <windows.h>

#include "mixer_dll.h"

#define MIXER_NO_PROTOTYPES
#include "mixer.h"

#include <string>

namespace mixerpanel {

typedef LONG(WINAPI* Getter)(void);
typedef LONG(WINAPI* Setter)(LONG);

struct Library {
    mixertools::MixerDll dll;
    std::string path;         // of the module loaded
    std::string version;      // "1.0.0.0" from its version resource, "" without one
    std::string description;  // its FileDescription

    MIXER_PFN_GetPeak GetPeak = nullptr;
    MIXER_PFN_GetMicBoostMode GetMicBoostMode = nullptr;
    MIXER_PFN_SelectLine SelectLine = nullptr;
    MIXER_PFN_IsMuxSingleSelect IsMuxSingleSelect = nullptr;
    MIXER_PFN_GetMixerRecordChannels GetMixerRecordChannels = nullptr;
    MIXER_PFN_Save Save = nullptr;
    MIXER_PFN_Set Set = nullptr;
    MIXER_PFN_ReadDigitalConfiguration ReadDigitalConfiguration = nullptr;
    MIXER_PFN_SetSoundCardConfigFilePath SetSoundCardConfigFilePath = nullptr;
    MIXER_PFN_OpenCD OpenCD = nullptr;
    MIXER_PFN_PlayCD PlayCD = nullptr;
    MIXER_PFN_StopCD StopCD = nullptr;
    MIXER_PFN_CloseCD CloseCD = nullptr;
    MIXER_PFN_SetCDTypeDigital SetCDTypeDigital = nullptr;
    MIXER_PFN_GetCDTypeDigital GetCDTypeDigital = nullptr;

    // An export by name; null when the name is empty or the library lacks it.
    FARPROC Find(const char* name) const { return dll.Address(name); }
};

// Loads `name` and finds every export the panel uses (model.h, ExportsUsed).
// On failure the library is unloaded and `error` says what was missing.
bool LoadMixerLibrary(const std::string& name, Library* library, std::string* error);
void UnloadMixerLibrary(Library* library);

}  // namespace mixerpanel
