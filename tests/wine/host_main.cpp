// Test host: loads MIXER.DLL with LoadLibraryA and runs every registered check.
#include "host.h"

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

DirectLine DirectDestination(DWORD componentType) {
    DirectLine r;
    std::memset(&r, 0, sizeof r);
    r.line.cbStruct = sizeof r.line;
    r.line.dwComponentType = componentType;
    r.found = mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(0), &r.line,
                                MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR;
    return r;
}

bool DirectControl(DWORD lineId, DWORD controlType, MIXERCONTROLA* out) {
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
    return mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(0), &lc,
                                 MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
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

MasterControls FindMasterControls() {
    MasterControls m;
    std::memset(&m, 0, sizeof m);
    DirectLine d = DirectDestination(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS);
    MIXERCONTROLA vol, mute;
    if (d.found && DirectControl(d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &vol) &&
        DirectControl(d.line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute)) {
        m.ok = true;
        m.lineId = d.line.dwLineID;
        m.volume = vol.dwControlID;
        m.mute = mute.dwControlID;
    }
    return m;
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
