// The test host's main and what the tests share: loads MIXER.DLL from its own
// folder and runs the tests. Without a --gtest_filter every test runs but the "Solo"
// suites, each of which a ctest of its own starts in a process of its own
// (the long runs, the threads, the second output, the settings file under
// kills and refusals); such a run also checks that every export was called.
#include "host.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

mixertools::MixerDll g_dll;
CRITICAL_SECTION g_exportLock;      // Export() may be called from several threads
std::set<std::string> g_requested;  // names the tests asked Export() for

HMIXEROBJ Device(UINT id) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id)); }

// After a run of every test: each export was called by some test that
// compares its result with what winmm, MCI, the registry or the file system
// says. The calling-convention sweep finds its functions with GetProcAddress
// directly, so it does not count here.
class EveryExportCalled : public ::testing::Environment {
public:
    void TearDown() override {
#define MIXER_NAME(result, name, params) #name,
        static const char* const kNames[] = {MIXER_FUNCTIONS(MIXER_NAME)};
#undef MIXER_NAME
        int missing = 0;
        for (const char* name : kNames)
            if (!g_requested.count(name)) {
                ADD_FAILURE() << "no test calls " << name;
                ++missing;
            }
        std::printf("every export called by a test: %d of %d\n", MIXER_FUNCTION_COUNT - missing,
                    MIXER_FUNCTION_COUNT);
    }
};

}  // namespace

const mixertools::MixerDll& Dll() { return g_dll; }

std::string DllDirectory() { return g_dll.Directory(); }

FARPROC Export(const char* name) {
    EnterCriticalSection(&g_exportLock);
    g_requested.insert(name);
    LeaveCriticalSection(&g_exportLock);
    FARPROC p = g_dll.Address(name);
    if (!p) ADD_FAILURE() << "export " << name << " not found";
    return p;
}

DirectLine DeviceDestination(UINT device, DWORD componentType) {
    DirectLine r;
    r.found = mixertools::LineOfType(device, componentType, &r.line);
    return r;
}

bool DeviceRead(UINT device, DWORD controlId, LONG* value) { return mixertools::ReadControlValue(device, controlId, value); }
bool DeviceWrite(UINT device, DWORD controlId, LONG value) { return mixertools::WriteControlValue(device, controlId, value); }

LONG DeviceValue(UINT device, DWORD controlId, LONG fallback) {
    LONG v = fallback;
    return mixertools::ReadControlValue(device, controlId, &v) ? v : fallback;
}

std::string TempDirectory(const char* tag) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char dir[MAX_PATH];
    std::snprintf(dir, sizeof dir, "%smixer-%s-%lu\\", temp, tag, GetCurrentProcessId());
    CreateDirectoryA(dir, nullptr);
    return dir;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
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

long SettingsEntry(const std::string& text, const char* section, const char* key) {
    size_t at = text.find(std::string(section) + "\r\n");
    if (at == std::string::npos) return -99999;
    // The key within the section: before the next header.
    const size_t next = text.find("\r\n[", at + 1);
    at = text.find(std::string("\r\n") + key + "=", at);
    if (at == std::string::npos || (next != std::string::npos && at > next)) return -99999;
    return std::strtol(text.c_str() + at + 3 + std::strlen(key), nullptr, 10);
}

MasterControls FindDestinationControls(UINT device, DWORD componentType) {
    MasterControls m;
    std::memset(&m, 0, sizeof m);
    DirectLine d = DeviceDestination(device, componentType);
    MIXERCONTROLA vol, mute;
    if (d.found && mixertools::ControlOfType(device, d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &vol) &&
        mixertools::ControlOfType(device, d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute)) {
        m.ok = true;
        m.lineId = d.line.dwLineID;
        m.volume = vol.dwControlID;
        m.mute = mute.dwControlID;
    }
    return m;
}

RecordingControls FindRecordingControls() {
    RecordingControls r;
    std::memset(&r, 0, sizeof r);
    UINT device = 0;
    if (waveInGetNumDevs() == 0 ||
        mixerGetID(reinterpret_cast<HMIXEROBJ>(0), &device, MIXER_OBJECTF_WAVEIN) != MMSYSERR_NOERROR)
        return r;
    r.device = device;
    r.destination = FindDestinationControls(device, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    r.ok = r.destination.ok;
    return r;
}

std::vector<DeviceLevels> ReadEveryDestination() {
    std::vector<DeviceLevels> out;
    const UINT count = mixerGetNumDevs();
    for (UINT device = 0; device < count; ++device) {
        MIXERLINEA line;
        std::memset(&line, 0, sizeof line);
        line.cbStruct = sizeof line;
        line.dwDestination = 0;
        DeviceLevels levels;
        std::memset(&levels, 0, sizeof levels);
        levels.device = device;
        levels.volume = levels.mute = -12345;
        if (mixerGetLineInfoA(Device(device), &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION) ==
            MMSYSERR_NOERROR) {
            levels.controls = FindDestinationControls(device, line.dwComponentType);
            if (levels.controls.ok) {
                levels.volume = DeviceValue(device, levels.controls.volume);
                levels.mute = DeviceValue(device, levels.controls.mute);
            }
        }
        out.push_back(levels);
    }
    return out;
}

void RestoreLevels(const std::vector<DeviceLevels>& saved) {
    for (const DeviceLevels& d : saved) {
        if (!d.controls.ok) continue;
        DeviceWrite(d.device, d.controls.volume, d.volume);
        DeviceWrite(d.device, d.controls.mute, d.mute);
    }
}

::testing::AssertionResult LevelsKept(const char* beforeText, const char*, const std::vector<DeviceLevels>& before,
                                      UINT except) {
    const std::vector<DeviceLevels> now = ReadEveryDestination();
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    auto differ = [&](const std::string& what, long long got, long long want) {
        if (result) result = ::testing::AssertionFailure() << "levels changed since " << beforeText << ":";
        result << "\n  " << what << ": got " << got << ", want " << want;
    };
    if (now.size() != before.size()) differ("mixer devices", now.size(), before.size());
    for (size_t i = 0; i < before.size() && i < now.size(); ++i) {
        if (before[i].device == except) continue;
        const std::string device = "device " + std::to_string(before[i].device);
        if (now[i].volume != before[i].volume) differ(device + "'s destination volume", now[i].volume, before[i].volume);
        if (now[i].mute != before[i].mute) differ(device + "'s destination mute", now[i].mute, before[i].mute);
    }
    return result;
}

int main(int argc, char** argv) {
    InitializeCriticalSection(&g_exportLock);
    if (!g_dll.Load()) {
        std::printf("FAIL: LoadLibraryA(\"MIXER.DLL\") failed, error %lu\n", g_dll.Error());
        return 1;
    }
    if (argc == 4 && std::strcmp(argv[1], kSettingsFileSaver) == 0)
        return RunSettingsFileSaver(std::strtoul(argv[2], nullptr, 10), std::atoi(argv[3]));

    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(filter) == "*") {
        GTEST_FLAG_SET(filter, "-Solo*");
        ::testing::AddGlobalTestEnvironment(new EveryExportCalled);
    }
    std::printf("mixer devices: %u\n", mixerGetNumDevs());
    const int status = RUN_ALL_TESTS();
    g_dll.Unload();
    return status;
}
