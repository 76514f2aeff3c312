// Settings file, sound-card name file and host directory against Wine's
// kernel, registry and winmm.
#include "host.h"
#include "settings_layout.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TAVRIN.EXE";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names in a directory, without "." and "..".
std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") out.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

}  // namespace

TEST(Persistence, SaveAndSetRoundTripMasterVolumeAndMute) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto save = CALL(Save);
    const auto set = CALL(Set);
    const LONG savedVolume = DirectValue(m.volume), savedMute = DirectValue(m.mute);
    const std::string dir = TempDirectory("settings");
    const std::string file = dir + "mixer.ini";

    EXPECT_TRUE(DirectWrite(m.volume, 23456));
    EXPECT_TRUE(DirectWrite(m.mute, 1));
    EXPECT_TRUE(WriteBytes(file, "old contents\r\n"));
    EXPECT_EQ(save(file.c_str()), 1);
    const std::string text = ReadBytes(file);
    // 45 lines, each ending in CR LF, and nothing else.
    size_t crlf = 0, lf = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') ++lf, crlf += i > 0 && text[i - 1] == '\r';
    EXPECT_EQ(crlf, 45u);
    EXPECT_EQ(lf, 45u);
    EXPECT_EQ(text.substr(0, 17), "[RECORD VOLUME]\r\n");
    EXPECT_TRUE(text.size() >= 11 && text.compare(text.size() - 11, 11, "DIGITAL=0\r\n") == 0);
    EXPECT_TRUE(NearLevel(SettingsEntry(text, "[PLAY VOLUME]", "MAIN"), 23456));
    EXPECT_EQ(SettingsEntry(text, "[PLAY MUTE]", "MAIN"), 1);
    EXPECT_EQ(DirectoryEntries(dir).size(), 1u);  // no temporary file left

    EXPECT_TRUE(DirectWrite(m.volume, 1000));
    EXPECT_TRUE(DirectWrite(m.mute, 0));
    EXPECT_EQ(set(file.c_str()), 1);
    // The level written back is the one saved (which Wine may keep one unit lower).
    EXPECT_TRUE(NearLevel(DirectValue(m.volume), SettingsEntry(text, "[PLAY VOLUME]", "MAIN")));
    EXPECT_EQ(DirectValue(m.mute), 1);

    EXPECT_EQ(save(nullptr), 0);
    EXPECT_EQ(set(nullptr), 0);
    EXPECT_EQ(set((dir + "missing.ini").c_str()), 0);
    EXPECT_EQ(save((dir + "missing\\mixer.ini").c_str()), 0);
    EXPECT_FALSE(Exists(dir + "missing"));

    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
    DirectWrite(m.volume, savedVolume);
    DirectWrite(m.mute, savedMute);
}

TEST(Persistence, NameFileBesideTheLibraryIsChosenByProductName) {
    const auto readConfig = CALL(ReadDigitalConfiguration);
    const auto setPath = CALL(SetSoundCardConfigFilePath);
    const std::string dllDir = DllDirectory();
    const std::string cfg = dllDir + "default.cfg";
    MIXERCAPSA caps;
    EXPECT_RESULT(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_NE(std::strstr(caps.szPname, "default"), nullptr) << caps.szPname;

    // The search directory the library took from its own path at load.
    EXPECT_TRUE(WriteBytes(cfg, "[DIGITAL]\r\nNAME=SPDIF In\r\n"));
    EXPECT_EQ(readConfig(), 1);
    DeleteFileA(cfg.c_str());
    EXPECT_EQ(readConfig(), 0);

    // Another directory: the file beside the library is no longer seen.
    const std::string other = TempDirectory("cards");
    EXPECT_TRUE(WriteBytes(cfg, "[DIGITAL]\r\nNAME=SPDIF In\r\n"));
    EXPECT_EQ(setPath(other.c_str()), static_cast<LONG>(other.size() + 1));
    EXPECT_EQ(readConfig(), 0);
    EXPECT_TRUE(WriteBytes(other + "Out.cfg", "[LINEIN]\r\nNAME=Line\r\n"));
    EXPECT_EQ(readConfig(), 1);
    DeleteFileA((other + "Out.cfg").c_str());
    RemoveDirectoryA(other.c_str());

    // Back to the library's directory; the names are emptied again for the
    // checks that follow.
    EXPECT_EQ(setPath(dllDir.c_str()), static_cast<LONG>(dllDir.size() + 1));
    EXPECT_EQ(readConfig(), 1);
    DeleteFileA(cfg.c_str());
    EXPECT_EQ(readConfig(), 0);
    EXPECT_EQ(setPath(nullptr), 0);
}

TEST(Persistence, TavrinDirectoryFromTheRegistry) {
    const auto getDir = CALL(GetTavrinDirectory);
    char buffer[256];
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey);
    std::strcpy(buffer, "junk");
    EXPECT_EQ(getDir(buffer), 0);
    EXPECT_EQ(buffer[0], '\0');

    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
             ERROR_SUCCESS);
    if (key == nullptr) return;
    std::strcpy(buffer, "junk");
    EXPECT_EQ(getDir(buffer), 0);  // the key without its value
    EXPECT_EQ(buffer[0], '\0');
    const char dir[] = "C:\\Program Files\\Tavrin\\";
    EXPECT_EQ(RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir), sizeof dir), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(getDir(buffer), 1);
    EXPECT_STREQ(buffer, dir);
    EXPECT_EQ(getDir(nullptr), 0);

    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathKey), ERROR_SUCCESS);
    EXPECT_EQ(getDir(buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
}

// ---- The settings file under kills, refusals and obstacles ----------------------------
//
// Each of these runs in a process of its own (the "Solo" tests, started by
// their own ctest), as a Save opens mixer device 0 about 40 times and Wine
// 8's winmm serves only the first 256 opens of a process.

namespace {

// The text with every line of `section` that starts with `key` "=" left out.
std::string WithoutEntry(const std::string& text, const char* section, const char* key) {
    std::string out;
    std::string current;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        end = end == std::string::npos ? text.size() : end + 2;
        const std::string line = text.substr(start, end - start);
        if (!line.empty() && line[0] == '[') current = line.substr(0, line.size() - 2);
        if (!(current == section && line.compare(0, std::strlen(key) + 1, std::string(key) + "=") == 0)) out += line;
        start = end;
    }
    return out;
}

// A new directory under the temporary directory. Wine hands out process
// ids again, so the name carries the time as well.
std::string FreshDirectory(const char* tag) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char dir[MAX_PATH];
    for (DWORD n = 0; n < 1000; ++n) {
        std::snprintf(dir, sizeof dir, "%smixer-%s-%lu-%lu\\", temp, tag,
                      static_cast<unsigned long>(GetCurrentProcessId()), static_cast<unsigned long>(GetTickCount() + n));
        if (CreateDirectoryA(dir, nullptr)) break;
    }
    return dir;
}

// Removes a directory (ending in a backslash) and everything in it,
// read-only files included.
void RemoveTree(const std::string& dir) {
    for (const std::string& name : DirectoryEntries(dir)) {
        const std::string path = dir + name;
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveTree(path + "\\");
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(dir.c_str());
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What a saving child and the parent share, one slot a child.
constexpr int kKills = 300;
constexpr int kSlots = kKills + 64;
constexpr LONG kStep = 7;  // between the levels a child saves: v and v - 1 never meet
struct SaverSlot {
    volatile LONG base;       // the child's first level (set by the parent)
    volatile LONG setResult;  // Set's result on the file the last kill left
    volatile LONG setVolume;  // the master volume after it
    volatile LONG setMute;
    volatile LONG writes;     // levels written: base, base + kStep, ...
    volatile LONG saved;      // Save results of 1
    volatile LONG refused;    // Save results of 0 (the mixer could not be read)
};
struct SaverShared {
    char target[MAX_PATH];
    SaverSlot slots[kSlots];
};

std::string SaverObjectName(DWORD parent, const char* what, int child = -1) {
    char name[96];
    if (child < 0)
        std::snprintf(name, sizeof name, "mixer-saver-%lu-%s", static_cast<unsigned long>(parent), what);
    else
        std::snprintf(name, sizeof name, "mixer-saver-%lu-%d-%s", static_cast<unsigned long>(parent), child, what);
    return name;
}

// A child waiting to save: started early, so that Wine's process start and
// winmm's first load overlap the work of the child before it.
struct Saver {
    PROCESS_INFORMATION process;
    HANDLE ready, go, saving;
    bool started;
};

Saver StartSaver(DWORD parent, int child) {
    Saver s;
    std::memset(&s, 0, sizeof s);
    s.ready = CreateEventA(nullptr, TRUE, FALSE, SaverObjectName(parent, "ready", child).c_str());
    s.go = CreateEventA(nullptr, TRUE, FALSE, SaverObjectName(parent, "go", child).c_str());
    s.saving = CreateEventA(nullptr, TRUE, FALSE, SaverObjectName(parent, "saving", child).c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    char command[MAX_PATH + 96];
    std::snprintf(command, sizeof command, "\"%s\" %s %lu %d", self, kSettingsFileSaver,
                  static_cast<unsigned long>(parent), child);
    // The child reports through the shared slot; its own output goes nowhere.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    s.started =
        CreateProcessA(self, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &s.process) != 0;
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return s;
}

// Kills the child (if it runs) and closes what belongs to it; once only.
void EndSaver(Saver* s) {
    if (s->started) {
        TerminateProcess(s->process.hProcess, 1);
        WaitForSingleObject(s->process.hProcess, 10000);
        CloseHandle(s->process.hProcess);
        CloseHandle(s->process.hThread);
    }
    for (HANDLE* h : {&s->ready, &s->go, &s->saving}) {
        if (*h) CloseHandle(*h);
        *h = nullptr;
    }
    s->started = false;
}

}  // namespace

// The child: restores the file the last kill left, records whether Set
// applied it, then saves in a loop with a new master level before every
// Save until the parent kills it. It reports through its slot; what the
// parent cannot find there fails the parent's test.
int RunSettingsFileSaver(unsigned long parent, int child) {
    if (child < 0 || child >= kSlots) return 2;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, SaverObjectName(parent, "shared").c_str());
    SaverShared* shared =
        mapping ? static_cast<SaverShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SaverShared)))
                : nullptr;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, SaverObjectName(parent, "ready", child).c_str());
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, SaverObjectName(parent, "go", child).c_str());
    HANDLE saving = OpenEventA(EVENT_MODIFY_STATE, FALSE, SaverObjectName(parent, "saving", child).c_str());
    if (!shared || !ready || !go || !saving) return 2;
    const auto save = AsFunction<MIXER_PFN_Save>(Dll().Address("Save"));
    const auto set = AsFunction<MIXER_PFN_Set>(Dll().Address("Set"));
    MasterControls m = FindMasterControls();  // loads winmm's driver
    SaverSlot& slot = shared->slots[child];
    SetEvent(ready);
    if (!save || !set || !m.ok || WaitForSingleObject(go, 60000) != WAIT_OBJECT_0) return 2;

    slot.setResult = set(shared->target);
    slot.setVolume = DirectValue(m.volume);
    slot.setMute = DirectValue(m.mute);
    SetEvent(saving);
    for (LONG i = 0; i < 100000; ++i) {
        DirectWrite(m.volume, slot.base + i * kStep);
        slot.writes = i + 1;
        if (save(shared->target) == 1)
            ++slot.saved;
        else
            ++slot.refused;
    }
    return 0;
}

// The parent: kills saving children at random moments and checks after each
// kill that the target is whole and one of the versions saved, that at most
// one temporary file is left, and that the next Save reuses or removes it.
TEST(SoloSettingsFile, Kills) {
    MasterControls m = FindMasterControls();
    ASSERT_TRUE(m.ok);
    const auto save = CALL(Save);
    const auto set = CALL(Set);
    const DWORD self = GetCurrentProcessId();
    const std::string dir = FreshDirectory("kills");
    const std::string target = dir + "mixer.ini";
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SaverShared),
                                        SaverObjectName(self, "shared").c_str());
    SaverShared* shared =
        mapping ? static_cast<SaverShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SaverShared)))
                : nullptr;
    ASSERT_NE(shared, nullptr);
    std::strcpy(shared->target, target.c_str());

    // The version the parent saves first, timed: the children are killed
    // within the first six saves' time of their loop.
    DirectWrite(m.volume, 1000);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    EXPECT_EQ(save(target.c_str()), 1);
    QueryPerformanceCounter(&t1);
    const double saveMs = Milliseconds(t0, t1);
    const double window = saveMs * 6 < 1 ? 1 : saveMs * 6 > 50 ? 50 : saveMs * 6;
    std::string current = ReadBytes(target);
    EXPECT_TRUE(settings_layout::Complete(current));
    const std::string shape = WithoutEntry(current, "[PLAY VOLUME]", "MAIN");

    unsigned seed = GetTickCount();
    std::printf("  seed %u, one save %.2f ms, kills within %.2f ms of the first save\n", seed, saveMs, window);
    auto random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };

    constexpr int kPool = 3;
    Saver pool[kSlots];
    int startedUpTo = 0;
    auto startMore = [&](int upTo) {
        for (; startedUpTo < upTo && startedUpTo < kKills; ++startedUpTo) {
            shared->slots[startedUpTo].base = 2000 + (startedUpTo % 30) * 2000;
            pool[startedUpTo] = StartSaver(self, startedUpTo);
        }
    };
    int kills = 0, sets = 0, setsApplied = 0, wholes = 0, oldKept = 0, newSaved = 0, leftBehind = 0, maxLeft = 0;
    long saves = 0, refusals = 0;
    std::string leftoverName;
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    for (int k = 0; k < kKills; ++k) {
        startMore(k + kPool);
        Saver& s = pool[k];
        SaverSlot& slot = shared->slots[k];
        EXPECT_TRUE(s.started) << "child " << k;
        if (!s.started || WaitForSingleObject(s.ready, 30000) != WAIT_OBJECT_0) {
            EndSaver(&s);
            ADD_FAILURE() << "child " << k << " never got ready";
            break;
        }
        SetEvent(s.go);
        const bool savingStarted = WaitForSingleObject(s.saving, 30000) == WAIT_OBJECT_0;
        EXPECT_TRUE(savingStarted);
        // A random moment in the saving loop.
        LARGE_INTEGER from, now;
        QueryPerformanceCounter(&from);
        const double delay = window * random() / 65536.0;
        do QueryPerformanceCounter(&now);
        while (Milliseconds(from, now) < delay);
        EndSaver(&s);
        ++kills;

        // Set applied the file this child found.
        ++sets;
        const LONG savedLevel = SettingsEntry(current, "[PLAY VOLUME]", "MAIN");
        if (slot.setResult == 1 && NearLevel(slot.setVolume, savedLevel) &&
            slot.setMute == SettingsEntry(current, "[PLAY MUTE]", "MAIN"))
            ++setsApplied;
        saves += slot.saved;
        refusals += slot.refused;

        // The target: whole, and the old version or one this child saved.
        const std::string text = ReadBytes(target);
        const bool whole =
            settings_layout::Complete(text) && WithoutEntry(text, "[PLAY VOLUME]", "MAIN") == shape;
        const LONG level = SettingsEntry(text, "[PLAY VOLUME]", "MAIN");
        const LONG steps = (level + 1 - slot.base) / kStep;
        const bool fromChild = steps >= 0 && steps < slot.writes && NearLevel(level, slot.base + steps * kStep);
        EXPECT_TRUE(whole) << "after kill " << kills << " the target holds a broken text";
        EXPECT_TRUE(text == current || fromChild) << "after kill " << kills << " the target holds an unknown level";
        wholes += whole;
        if (text == current)
            ++oldKept;
        else
            ++newSaved;
        current = text;

        // At most one temporary file beside it.
        int left = 0;
        for (const std::string& name : DirectoryEntries(dir))
            if (name != "mixer.ini") {
                ++left;
                leftoverName = name;
            }
        leftBehind += left > 0;
        if (left > maxLeft) maxLeft = left;
        EXPECT_LE(left, 1);
    }
    QueryPerformanceCounter(&end);
    for (int k = kills; k < startedUpTo; ++k) EndSaver(&pool[k]);
    EXPECT_EQ(kills, kKills);
    EXPECT_EQ(setsApplied, sets);
    std::printf("  %d kills in %.1f s; the children saved %ld times (%ld saves refused: mixer unreadable)\n", kills,
                Milliseconds(begin, end) / 1000, saves, refusals);
    std::printf("  after the kills: %d old versions, %d new ones, %d whole; %d of %d restored by Set\n", oldKept,
                newSaved, wholes, setsApplied, sets);
    std::printf("  %d kills left a temporary file, never more than %d\n", leftBehind, maxLeft);
    EXPECT_GT(newSaved, 0);

    // The next Save takes the leftover again or removes it; Set applies it.
    DirectWrite(m.volume, 1234);
    EXPECT_EQ(save(target.c_str()), 1);
    EXPECT_EQ(DirectoryEntries(dir).size(), 1u);
    DirectWrite(m.volume, 4321);
    EXPECT_EQ(set(target.c_str()), 1);
    EXPECT_TRUE(NearLevel(DirectValue(m.volume), SettingsEntry(ReadBytes(target), "[PLAY VOLUME]", "MAIN")));

    // Something Save cannot replace where a temporary file was (a directory,
    // a read-only file) is gone around, and left as it is.
    if (!leftoverName.empty()) {
        const std::string obstacle = dir + leftoverName;
        EXPECT_TRUE(CreateDirectoryA(obstacle.c_str(), nullptr));
        bool around = save(target.c_str()) == 1;
        around = around && (GetFileAttributesA(obstacle.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        around = around && DirectoryEntries(dir).size() == 2;
        RemoveDirectoryA(obstacle.c_str());
        EXPECT_TRUE(WriteBytes(obstacle, "someone's"));
        EXPECT_TRUE(SetFileAttributesA(obstacle.c_str(), FILE_ATTRIBUTE_READONLY));
        around = around && save(target.c_str()) == 1;
        around = around && ReadBytes(obstacle) == "someone's";
        around = around && (GetFileAttributesA(obstacle.c_str()) & FILE_ATTRIBUTE_READONLY);
        around = around && !(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY);
        around = around && DirectoryEntries(dir).size() == 2;
        EXPECT_TRUE(around);
        SetFileAttributesA(obstacle.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(obstacle.c_str());
        std::printf("  a directory, then a read-only file, in place of %s: %s\n", leftoverName.c_str(),
                    around ? "gone around" : "NOT gone around");
    }
    EXPECT_TRUE(settings_layout::Complete(ReadBytes(target)));

    UnmapViewOfFile(shared);
    CloseHandle(mapping);
    RemoveTree(dir);
}

// A read-only target, a missing directory and a directory as the target:
// Save returns 0 and the old file stays as it was. Saves before and after
// each refusal show that the mixer itself could be read. Paths up to the
// platform's limit are saved to.
TEST(SoloSettingsFile, Refusals) {
    const auto save = CALL(Save);
    const std::string dir = FreshDirectory("refusals");
    const std::string file = dir + "mixer.ini";
    const std::string old = "[CD]\r\nDIGITAL=1\r\n";

    EXPECT_TRUE(WriteBytes(file, old));
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(save(file.c_str()), 0);
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_TRUE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DirectoryEntries(dir).size(), 1u);
    EXPECT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(save(file.c_str()), 1);
    EXPECT_TRUE(settings_layout::Complete(ReadBytes(file)));

    EXPECT_EQ(save((dir + "missing\\mixer.ini").c_str()), 0);
    EXPECT_FALSE(Exists(dir + "missing"));
    const std::string folder = dir + "folder.ini";
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(save(folder.c_str()), 0);
    EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(DirectoryEntries(folder + "\\").empty());
    EXPECT_EQ(DirectoryEntries(dir).size(), 2u);
    RemoveDirectoryA(folder.c_str());

    // A target of MAX_PATH - 1 characters with a one-character name.
    const size_t room = MAX_PATH - 1 - dir.size() - 2;
    const std::string deep = dir + std::string(room < 200 ? room : 200, 'd') + "\\";
    const std::string longest = deep + std::string(MAX_PATH - 3 - deep.size(), 'e') + "\\x";
    const std::string inner = longest.substr(0, longest.size() - 1);
    EXPECT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    EXPECT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    EXPECT_EQ(longest.size(), static_cast<size_t>(MAX_PATH - 1));
    const bool saved = save(longest.c_str()) == 1 && settings_layout::Complete(ReadBytes(longest)) &&
                       DirectoryEntries(inner).size() == 1;
    EXPECT_TRUE(saved);
    std::printf("  a target of %u characters %s\n", static_cast<unsigned>(longest.size()), saved ? "saved" : "NOT saved");

    RemoveTree(dir);
}
