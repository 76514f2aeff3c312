#include "library.h"

#include "model.h"

namespace mixerpanel {

bool LoadMixerLibrary(const std::string& name, Library* library, std::string* error) {
    *library = Library();
    if (!library->dll.Load(name)) {
        // Taken from one place only: a name without a folder beside the
        // program, a path as given (mixertools::FullPath).
        const std::string path = mixertools::FullPath(name);
        *error = "Cannot load " + (path.empty() ? name : path) + ": " +
                 mixertools::SystemErrorText(library->dll.Error()) + " (error " +
                 std::to_string(library->dll.Error()) + ").";
        return false;
    }
    library->path = library->dll.Path();
    std::string missing;
    for (const std::string& export_name : ExportsUsed()) {
        if (library->Find(export_name.c_str())) continue;
        missing += (missing.empty() ? "" : ", ") + export_name;
    }
    if (!missing.empty()) {
        *error = library->path + " lacks exports the panel needs: " + missing + ".";
        UnloadMixerLibrary(library);
        return false;
    }
#define MIXERPANEL_BIND(name) library->name = MIXER_DLL_FUNCTION(library->dll, name)
    MIXERPANEL_BIND(GetPeak);
    MIXERPANEL_BIND(GetMicBoostMode);
    MIXERPANEL_BIND(SelectLine);
    MIXERPANEL_BIND(IsMuxSingleSelect);
    MIXERPANEL_BIND(GetMixerRecordChannels);
    MIXERPANEL_BIND(Save);
    MIXERPANEL_BIND(Set);
    MIXERPANEL_BIND(ReadDigitalConfiguration);
    MIXERPANEL_BIND(SetSoundCardConfigFilePath);
    MIXERPANEL_BIND(OpenCD);
    MIXERPANEL_BIND(PlayCD);
    MIXERPANEL_BIND(StopCD);
    MIXERPANEL_BIND(CloseCD);
    MIXERPANEL_BIND(SetCDTypeDigital);
    MIXERPANEL_BIND(GetCDTypeDigital);
#undef MIXERPANEL_BIND
    const mixertools::VersionResource resource = library->dll.Version();
    library->version = resource.FileVersion();
    resource.String("FileDescription", &library->description);
    return true;
}

void UnloadMixerLibrary(Library* library) { *library = Library(); }

}  // namespace mixerpanel
