// Test host: loads MIXER.DLL with LoadLibraryA and runs every registered check.
#include "host.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {
HostTest* g_tests = nullptr;
HMODULE g_dll = nullptr;
CRITICAL_SECTION g_exportLock;  // Export() may be called from several threads
int g_failures = 0;
int g_checks = 0;
std::set<std::string> g_requested;  // names the checks asked Export() for

std::vector<std::string> g_context;  // HostContext's texts, innermost last

// Every export is called by some check that compares its result with what
// winmm, MCI, the registry or the file system says. The calling-convention
// sweep finds its functions with GetProcAddress directly, so it does not
// count here.
#define MIXER_NAME(result, name, params) #name,
const char* const kExportNames[] = {MIXER_FUNCTIONS(MIXER_NAME)};
#undef MIXER_NAME

void PrintContext() {
    for (const std::string& c : g_context) std::printf("    (%s)\n", c.c_str());
}

void CheckEveryExportRequested() {
    int missing = 0;
    for (const char* name : kExportNames) {
        if (g_requested.count(name)) continue;
        std::printf("  FAIL: no check calls %s\n", name);
        ++missing;
    }
    HostCheckEq(missing, 0, "exports no check calls", __FILE__, __LINE__);
    std::printf("%s every export called by a check (%d of %d)\n", missing ? "FAIL" : "ok  ",
                MIXER_FUNCTION_COUNT - missing, MIXER_FUNCTION_COUNT);
}
}  // namespace

HostTest::HostTest(const char* n, void (*f)()) : name(n), fn(f), next(nullptr) {
    // Keep registration order within a file; files come in link order.
    HostTest** tail = &g_tests;
    while (*tail) tail = &(*tail)->next;
    *tail = this;
}

void HostCheck(bool ok, const char* what, const char* file, int line) {
    ++g_checks;
    if (!ok) {
        ++g_failures;
        std::printf("  FAIL %s:%d: %s\n", file, line, what);
        PrintContext();
    }
}

void HostCheckEq(long long got, long long want, const char* what, const char* file, int line, HostValue as) {
    ++g_checks;
    if (got != want) {
        ++g_failures;
        if (as == HostValue::Result)
            std::printf("  FAIL %s:%d: %s (got %s, want %s)\n", file, line, what, ResultText(got).c_str(),
                        ResultText(want).c_str());
        else
            std::printf("  FAIL %s:%d: %s (got %lld, want %lld)\n", file, line, what, got, want);
        PrintContext();
    }
}

HostContext::HostContext(const std::string& text) { g_context.push_back(text); }
HostContext::~HostContext() { g_context.pop_back(); }

HMODULE Dll() { return g_dll; }

std::string DllDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(g_dll, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

int HostFailures() { return g_failures; }

FARPROC Export(const char* name) {
    EnterCriticalSection(&g_exportLock);
    g_requested.insert(name);
    FARPROC p = GetProcAddress(g_dll, name);
    if (!p) {
        std::printf("  FAIL: export %s not found\n", name);
        ++g_failures;
    }
    LeaveCriticalSection(&g_exportLock);
    return p;
}

DirectLine DeviceDestination(UINT device, DWORD componentType) {
    DirectLine r;
    std::memset(&r, 0, sizeof r);
    r.line.cbStruct = sizeof r.line;
    r.line.dwComponentType = componentType;
    r.found = mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)), &r.line,
                                MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR;
    return r;
}

bool DeviceControl(UINT device, DWORD lineId, DWORD controlType, MIXERCONTROLA* out) {
    MIXERLINECONTROLSA lc;
    std::memset(&lc, 0, sizeof lc);
    std::memset(out, 0, sizeof *out);
    out->cbStruct = sizeof *out;
    lc.cbStruct = sizeof lc;
    lc.dwLineID = lineId;
    lc.dwControlType = controlType;
    lc.cControls = 1;
    lc.cbmxctrl = sizeof *out;
    lc.pamxctrl = out;
    return mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)), &lc,
                                 MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
}

DirectLine DirectDestination(DWORD componentType) { return DeviceDestination(0, componentType); }

bool DirectControl(DWORD lineId, DWORD controlType, MIXERCONTROLA* out) {
    return DeviceControl(0, lineId, controlType, out);
}

static bool Details(UINT device, DWORD controlId, LONG* value, bool write) {
    MIXERCONTROLDETAILS d;
    std::memset(&d, 0, sizeof d);
    d.cbStruct = sizeof d;
    d.dwControlID = controlId;
    d.cChannels = 1;
    d.cbDetails = sizeof(LONG);
    d.paDetails = value;
    HMIXEROBJ obj = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device));
    if (write) return mixerSetControlDetails(obj, &d, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR;
    return mixerGetControlDetailsA(obj, &d, MIXER_OBJECTF_MIXER) == MMSYSERR_NOERROR;
}

bool DirectRead(DWORD controlId, LONG* value) { return Details(0, controlId, value, false); }
bool DirectWrite(DWORD controlId, LONG value) { return Details(0, controlId, &value, true); }
LONG DirectValue(DWORD controlId, LONG fallback) { return DeviceValue(0, controlId, fallback); }
bool DeviceRead(UINT device, DWORD controlId, LONG* value) { return Details(device, controlId, value, false); }
bool DeviceWrite(UINT device, DWORD controlId, LONG value) { return Details(device, controlId, &value, true); }

LONG DeviceValue(UINT device, DWORD controlId, LONG fallback) {
    LONG v = fallback;
    return Details(device, controlId, &v, false) ? v : fallback;
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
    if (d.found && DeviceControl(device, d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &vol) &&
        DeviceControl(device, d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute)) {
        m.ok = true;
        m.lineId = d.line.dwLineID;
        m.volume = vol.dwControlID;
        m.mute = mute.dwControlID;
    }
    return m;
}

MasterControls FindMasterControls() { return FindDestinationControls(0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }

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
        if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)), &line,
                              MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_DESTINATION) == MMSYSERR_NOERROR) {
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

void CheckLevelsKept(const std::vector<DeviceLevels>& before, UINT except, const char* file, int line) {
    const std::vector<DeviceLevels> now = ReadEveryDestination();
    HostCheckEq(now.size(), before.size(), "mixer devices", file, line);
    for (size_t i = 0; i < before.size() && i < now.size(); ++i) {
        if (before[i].device == except) continue;
        const std::string device = "device " + std::to_string(before[i].device);
        HostCheckEq(now[i].volume, before[i].volume, (device + "'s destination volume kept").c_str(), file, line);
        HostCheckEq(now[i].mute, before[i].mute, (device + "'s destination mute kept").c_str(), file, line);
    }
}

int main(int argc, char** argv) {
    const char* only = argc > 1 ? argv[1] : nullptr;
    InitializeCriticalSection(&g_exportLock);
    g_dll = LoadLibraryA("MIXER.DLL");
    if (!g_dll) {
        std::printf("FAIL: LoadLibraryA(\"MIXER.DLL\") failed, error %lu\n", GetLastError());
        return 1;
    }
    std::printf("mixer devices: %u\n", mixerGetNumDevs());
    int run = 0;
    for (HostTest* t = g_tests; t; t = t->next) {
        if (only && std::strstr(t->name, only) == nullptr) continue;
        // "solo_" checks run only when named: the long runs, each started by a
        // ctest of its own (and one of them in a Wine of its own).
        if (!only && std::strncmp(t->name, "solo_", 5) == 0) continue;
        int before = g_failures;
        t->fn();
        ++run;
        std::printf("%s %s\n", g_failures == before ? "ok  " : "FAIL", t->name);
    }
    if (!only) CheckEveryExportRequested();
    std::printf("%d host tests, %d checks, %d failures\n", run, g_checks, g_failures);
    FreeLibrary(g_dll);
    return g_failures == 0 ? 0 : 1;
}
