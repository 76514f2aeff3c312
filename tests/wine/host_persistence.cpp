// Settings file, sound-card name file and host directory against Wine's
// kernel, registry and winmm.
#include "host.h"

#include <cstdio>
#include <cstring>
#include <string>

typedef LONG(WINAPI* PathFn)(LPCSTR);
typedef LONG(WINAPI* BufferFn)(LPSTR);
typedef LONG(WINAPI* NoArgFn)(void);

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

// The directory of the loaded MIXER.DLL, ending in a backslash.
std::string DllDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(Dll(), path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

std::string ReadBytes(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[1024];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The number after "<section>\r\n...<key>=" in a saved text; -99999 if absent.
long Entry(const std::string& text, const char* section, const char* key) {
    size_t at = text.find(std::string(section) + "\r\n");
    if (at == std::string::npos) return -99999;
    at = text.find(std::string("\r\n") + key + "=", at);
    if (at == std::string::npos) return -99999;
    return std::strtol(text.c_str() + at + 3 + std::strlen(key), nullptr, 10);
}

}  // namespace

HOST_TEST(save_and_set_round_trip_master_volume_and_mute) {
    MasterControls m = FindMasterControls();
    if (!m.ok) return CHECK(m.ok);
    PathFn save = Fn<PathFn>("Save");
    PathFn set = Fn<PathFn>("Set");
    const LONG savedVolume = DirectValue(m.volume), savedMute = DirectValue(m.mute);
    const std::string dir = TempDirectory("settings");
    const std::string file = dir + "mixer.ini";

    CHECK(DirectWrite(m.volume, 23456));
    CHECK(DirectWrite(m.mute, 1));
    CHECK(WriteBytes(file, "old contents\r\n"));
    CHECK_EQ(save(file.c_str()), 1);
    const std::string text = ReadBytes(file);
    // 45 lines, each ending in CR LF, and nothing else.
    size_t crlf = 0, lf = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') ++lf, crlf += i > 0 && text[i - 1] == '\r';
    CHECK_EQ(crlf, 45);
    CHECK_EQ(lf, 45);
    CHECK(text.compare(0, 17, "[RECORD VOLUME]\r\n") == 0);
    CHECK(text.size() >= 11 && text.compare(text.size() - 11, 11, "DIGITAL=0\r\n") == 0);
    CHECK(NearLevel(Entry(text, "[PLAY VOLUME]", "MAIN"), 23456));
    CHECK_EQ(Entry(text, "[PLAY MUTE]", "MAIN"), 1);
    CHECK(!Exists(file + ".tmp"));

    CHECK(DirectWrite(m.volume, 1000));
    CHECK(DirectWrite(m.mute, 0));
    CHECK_EQ(set(file.c_str()), 1);
    // The level written back is the one saved (which Wine may keep one unit lower).
    CHECK(NearLevel(DirectValue(m.volume), Entry(text, "[PLAY VOLUME]", "MAIN")));
    CHECK_EQ(DirectValue(m.mute), 1);

    CHECK_EQ(save(nullptr), 0);
    CHECK_EQ(set(nullptr), 0);
    CHECK_EQ(set((dir + "missing.ini").c_str()), 0);
    CHECK_EQ(save((dir + "missing\\mixer.ini").c_str()), 0);
    CHECK(!Exists(dir + "missing"));

    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
    DirectWrite(m.volume, savedVolume);
    DirectWrite(m.mute, savedMute);
}

HOST_TEST(name_file_beside_the_library_is_chosen_by_product_name) {
    NoArgFn readConfig = Fn<NoArgFn>("ReadDigitalConfiguration");
    PathFn setPath = Fn<PathFn>("SetSoundCardConfigFilePath");
    const std::string dllDir = DllDirectory();
    const std::string cfg = dllDir + "default.cfg";
    MIXERCAPSA caps;
    CHECK_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    CHECK(std::strstr(caps.szPname, "default") != nullptr);

    // The search directory the library took from its own path at load.
    CHECK(WriteBytes(cfg, "[DIGITAL]\r\nNAME=SPDIF In\r\n"));
    CHECK_EQ(readConfig(), 1);
    DeleteFileA(cfg.c_str());
    CHECK_EQ(readConfig(), 0);

    // Another directory: the file beside the library is no longer seen.
    const std::string other = TempDirectory("cards");
    CHECK(WriteBytes(cfg, "[DIGITAL]\r\nNAME=SPDIF In\r\n"));
    CHECK_EQ(setPath(other.c_str()), static_cast<LONG>(other.size() + 1));
    CHECK_EQ(readConfig(), 0);
    CHECK(WriteBytes(other + "Out.cfg", "[LINEIN]\r\nNAME=Line\r\n"));
    CHECK_EQ(readConfig(), 1);
    DeleteFileA((other + "Out.cfg").c_str());
    RemoveDirectoryA(other.c_str());

    // Back to the library's directory; the names are emptied again for the
    // checks that follow.
    CHECK_EQ(setPath(dllDir.c_str()), static_cast<LONG>(dllDir.size() + 1));
    CHECK_EQ(readConfig(), 1);
    DeleteFileA(cfg.c_str());
    CHECK_EQ(readConfig(), 0);
    CHECK_EQ(setPath(nullptr), 0);
}

HOST_TEST(tavrin_directory_from_the_registry) {
    BufferFn getDir = Fn<BufferFn>("GetTavrinDirectory");
    char buffer[256];
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
    std::strcpy(buffer, "junk");
    CHECK_EQ(getDir(buffer), 0);
    CHECK_EQ(buffer[0], '\0');

    HKEY key = nullptr;
    CHECK_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             ERROR_SUCCESS);
    if (key == nullptr) return;
    std::strcpy(buffer, "junk");
    CHECK_EQ(getDir(buffer), 0);  // the key without its value
    CHECK_EQ(buffer[0], '\0');
    const char dir[] = "C:\\Program Files\\Tavrin\\";
    CHECK_EQ(RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir), sizeof dir), ERROR_SUCCESS);
    RegCloseKey(key);
    CHECK_EQ(getDir(buffer), 1);
    CHECK(std::strcmp(buffer, dir) == 0);
    CHECK_EQ(getDir(nullptr), 0);

    CHECK_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey), ERROR_SUCCESS);
    CHECK_EQ(getDir(buffer), 0);
    CHECK_EQ(buffer[0], '\0');
}
