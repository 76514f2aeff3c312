#include "library.h"

#include "model.h"

#include <cstdio>
#include <vector>

namespace mixerpanel {

namespace {

template <typename F>
void Bind(const Library& library, const char* name, F* slot) {
    *slot = reinterpret_cast<F>(reinterpret_cast<void*>(library.Find(name)));
}

std::string VersionField(std::vector<char>& block, const char* field) {
    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &size) ||
        size < sizeof(Translation))
        return "";
    char path[96];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language,
                  translations[0].codePage, field);
    char* text = nullptr;
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &size) || !text) return "";
    return text;
}

void ReadVersion(Library* library) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(library->path.c_str(), &ignored);
    if (size == 0) return;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(library->path.c_str(), 0, size, block.data())) return;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof *fixed) {
        char text[48];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                      LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
        library->version = text;
    }
    library->description = VersionField(block, "FileDescription");
}

}  // namespace

FARPROC Library::Find(const char* name) const {
    if (!module || !name || !*name) return nullptr;
    return GetProcAddress(module, name);
}

bool LoadMixerLibrary(const std::string& name, Library* library, std::string* error) {
    *library = Library();
    library->module = LoadLibraryA(name.c_str());
    if (!library->module) {
        const DWORD code = GetLastError();
        char exe[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        *error = "Cannot load " + name + " (error " + std::to_string(code) +
                 "). It is looked for beside the program (" + exe + "), then on the system's DLL path.";
        return false;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(library->module, path, sizeof path);
    library->path = path;
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
    Bind(*library, "GetPeak", &library->GetPeak);
    Bind(*library, "GetMicBoostMode", &library->GetMicBoostMode);
    Bind(*library, "SelectLine", &library->SelectLine);
    Bind(*library, "IsMuxSingleSelect", &library->IsMuxSingleSelect);
    Bind(*library, "GetMixerRecordChannels", &library->GetMixerRecordChannels);
    Bind(*library, "Save", &library->Save);
    Bind(*library, "Set", &library->Set);
    Bind(*library, "ReadDigitalConfiguration", &library->ReadDigitalConfiguration);
    Bind(*library, "SetSoundCardConfigFilePath", &library->SetSoundCardConfigFilePath);
    Bind(*library, "OpenCD", &library->OpenCD);
    Bind(*library, "PlayCD", &library->PlayCD);
    Bind(*library, "StopCD", &library->StopCD);
    Bind(*library, "CloseCD", &library->CloseCD);
    Bind(*library, "SetCDTypeDigital", &library->SetCDTypeDigital);
    Bind(*library, "GetCDTypeDigital", &library->GetCDTypeDigital);
    ReadVersion(library);
    return true;
}

void UnloadMixerLibrary(Library* library) {
    if (library->module) FreeLibrary(library->module);
    *library = Library();
}

}  // namespace mixerpanel
