// The Wine benchmark host: loads MIXER.DLL from its folder and times each
// measured export against the bare sequence of the same winmm (and file) requests
// written directly here (bare.cpp), side by side in one process: samples of
// the two alternate (taking turns at going first), and the medians are
// compared.
//
//   wine_bench [--pairs P] [--only NAME]   the side-by-side table
//   wine_bench --memory N                  N mixed calls; process memory before/after
//
// Every sample is taken past the 65,536th open of mixer device 0 in the
// process, where none of Wine's mixer handles names a device any more (see
// "Wine's mixer handles" below): the library names the device by its
// identifier, and so do the bare sequences.
//
// Run it in the directory that holds MIXER.DLL, under tests/wine/wine-run.sh.
#include <windows.h>
#include <mmsystem.h>
#include <psapi.h>
#include <x86intrin.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bare.h"
#include "bench_cases.h"

// The exports' pointer types; the functions are found with GetProcAddress
// (tools/common's MixerDll).
#define MIXER_NO_PROTOTYPES
#include "mixer.h"
#include "mixer_dll.h"
#include "mixer_lookup.h"

namespace {

mixertools::MixerDll g_dll;
std::string g_dir;       // the temporary directory, ending in a backslash
std::string g_settings;  // the settings file
std::string g_saved;     // its bytes as Save wrote them
bare::SetPlan g_plan;
char g_buffer[256];

// The export `name` as mixer.h's pointer type for it; a missing one ends the run.
template <typename F>
F Fn(const char* name) {
    const F p = g_dll.Function<F>(name);
    if (p == nullptr) {
        std::printf("export %s not found\n", name);
        std::exit(1);
    }
    return p;
}
#define EXPORT_OF(name) Fn<MIXER_PFN_##name>(#name)

struct Case {
    const char* name;
    LONG (*library)();
    LONG (*bare)();
};

// The library's calls, through the pointers GetProcAddress gave.
#define DECLARE_EXPORT(name, how, line, op, value) MIXER_PFN_##name g_##name;
BENCH_LINE_CASES(DECLARE_EXPORT)
#undef DECLARE_EXPORT
MIXER_PFN_ReadDigitalConfiguration g_readNames;
MIXER_PFN_GetPeak g_getPeak;
MIXER_PFN_GetMixerRecordChannels g_channels;
MIXER_PFN_Save g_save;
MIXER_PFN_Set g_set;
MIXER_PFN_SetSoundCardConfigFilePath g_setNamePath;

const Case kCases[] = {
#define WINE_BENCH_CASE(name, how, line, op, value) \
    {#name, [] { return BENCH_CALL(how, g_##name, value); }, BENCH_BARE(how, line, op, value)},
    BENCH_LINE_CASES(WINE_BENCH_CASE)
#undef WINE_BENCH_CASE
    {"GetPeak", [] { return g_getPeak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); },
     [] { return bare::Peak(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS); }},
    {"GetMixerRecordChannels", [] { return g_channels(g_buffer, sizeof g_buffer - 1); },
     [] { return bare::RecordChannels(g_buffer, sizeof g_buffer - 1); }},
    {"Save", [] { return g_save(g_settings.c_str()); },
     [] { return bare::SaveBytes(g_settings.c_str(), g_saved.data(), static_cast<DWORD>(g_saved.size())); }},
    {"Set", [] { return g_set(g_settings.c_str()); }, [] { return bare::ApplyFile(g_settings.c_str(), g_plan); }},
    {"ReadDigitalConfiguration", [] { return g_readNames(); }, [] { return bare::ReadNameFile(g_dir.c_str()); }},
};
const int kCaseCount = sizeof kCases / sizeof kCases[0];

// The memory run's mix, 50 calls a cycle: the peak meter most, the selection
// and the listing, the master controls, and now and then a name file read,
// a save and a restore.
const int kMix[] = {
    7, 5, 7, 8, 7, 0, 7, 5, 7, 6, 7, 8, 7, 1, 7, 5, 7, 8, 7, 2,  // meter between the others
    7, 5, 7, 6, 7, 8, 7, 0, 7, 5, 7, 3, 7, 8, 7, 1, 7, 5, 7, 6,
    4, 0, 1, 5, 8, 6, 5, 11, 9, 10,
};
const int kMixLength = sizeof kMix / sizeof kMix[0];

double Now() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// ---- Wine's mixer handles ----------------------------------------------------
//
// Wine's winmm numbers mixer handles with a per-device counter that mixerOpen
// increments and nothing resets (mixerClose does nothing): the handle is
// 0xC000 | counter, and it names device 0 only while the counter modulo 16384
// is below 256 and the counter is below 65536. The library opens device 0 on
// every call but names it by its identifier in every request, so where the
// handles stand does not matter to it; the runs below first bring the counter
// past 65536 (opens are a counter increment, a few tens of nanoseconds each)
// to show that.

const unsigned kCycle = 16384;

// The next open's handle (itself using one open).
UINT_PTR NextHandle() {
    HMIXER h = nullptr;
    mixerOpen(&h, 0, 0, 0, 0);
    mixerClose(h);
    return reinterpret_cast<UINT_PTR>(h);
}

// The counter modulo 16384 as the next open will see it: the low 14 bits of
// a handle are the counter's.
unsigned NextCount() { return (static_cast<unsigned>(NextHandle()) + 1) % kCycle; }

// Opens until the handles have bits above bit 15: past the 65536th open.
UINT_PTR PassTheHandleWindows() {
    UINT_PTR h = 0;
    for (long i = 0; i < 200000 && (h = NextHandle()) <= 0xFFFF; ++i) {
    }
    return h;
}

// Calls fn once; the opens it made.
int CountOpens(LONG (*fn)()) {
    const unsigned before = NextCount();
    fn();
    return static_cast<int>((NextCount() + kCycle - before - 1) % kCycle);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool WriteFileBytes(const std::string& path, const char* text) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(f, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    CloseHandle(f);
    return ok != FALSE;
}

std::string ReadFileBytes(const std::string& path) {
    std::string out;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) out.append(buffer, n);
    CloseHandle(f);
    return out;
}

// Direct one-channel reads and writes of the master controls, to put them
// back as they were after the run.
bool MasterControl(DWORD type, DWORD* id) {
    MIXERLINEA line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(0), &line,
                          MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    MIXERCONTROLA control;
    MIXERLINECONTROLSA request;
    std::memset(&request, 0, sizeof request);
    std::memset(&control, 0, sizeof control);
    request.cbStruct = sizeof request;
    request.dwLineID = line.dwLineID;
    request.dwControlType = type;
    request.cControls = 1;
    request.cbmxctrl = sizeof control;
    request.pamxctrl = &control;
    if (mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(0), &request,
                              MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) != MMSYSERR_NOERROR)
        return false;
    *id = control.dwControlID;
    return true;
}

bool MasterValue(DWORD id, LONG* value, bool write) {
    return write ? mixertools::WriteControlValue(0, id, *value) : mixertools::ReadControlValue(0, id, value);
}

bool Setup() {
    if (!g_dll.Load()) {
        std::printf("LoadLibraryA(\"MIXER.DLL\") failed, error %lu\n", g_dll.Error());
        return false;
    }
#define FIND_EXPORT(name, how, line, op, value) g_##name = EXPORT_OF(name);
    BENCH_LINE_CASES(FIND_EXPORT)
#undef FIND_EXPORT
    g_getPeak = EXPORT_OF(GetPeak);
    g_channels = EXPORT_OF(GetMixerRecordChannels);
    g_save = EXPORT_OF(Save);
    g_set = EXPORT_OF(Set);
    g_readNames = EXPORT_OF(ReadDigitalConfiguration);
    g_setNamePath = EXPORT_OF(SetSoundCardConfigFilePath);

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_dir = std::string(temp) + "mixer-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(g_dir.c_str(), nullptr);
    g_settings = g_dir + "settings.ini";
    // A name file for Wine's device 0 ("Out: default") naming lines it does
    // not have, and another card's file that the search passes over.
    if (!WriteFileBytes(g_dir + "ZX9000.cfg", "[LINEIN]\r\nNAME=Line\r\n") ||
        !WriteFileBytes(g_dir + "default.cfg", "[DIGITAL]\r\nNAME=SPDIF In\r\n[LINEIN]\r\nNAME=Line In\r\n")) {
        std::printf("cannot write the name files in %s\n", g_dir.c_str());
        return false;
    }
    g_setNamePath(g_dir.c_str());
    // The library now addresses line-in and digital by these names; so do
    // the bare sequences.
    bare::ResetState();
    if (g_readNames() != 1) std::printf("note: ReadDigitalConfiguration did not read the name file\n");
    std::strcpy(bare::g_settings.lineIn, "Line In");
    std::strcpy(bare::g_settings.digital, "SPDIF In");

    if (g_save(g_settings.c_str()) != 1) {
        std::printf("Save failed\n");
        return false;
    }
    g_saved = ReadFileBytes(g_settings);
    bare::MakeSetPlan(g_saved, &g_plan);
    return true;
}

void Cleanup() {
    DeleteFileA(g_settings.c_str());
    DeleteFileA((g_dir + "default.cfg").c_str());
    DeleteFileA((g_dir + "ZX9000.cfg").c_str());
    RemoveDirectoryA(g_dir.c_str());
    g_dll.Unload();
}

// ---- Side by side ------------------------------------------------------------

// Time-stamp counter ticks a microsecond, against the performance counter.
double TicksPerMicrosecond() {
    const double t0 = Now();
    const unsigned long long c0 = __rdtsc();
    while (Now() - t0 < 200000) {
    }
    return static_cast<double>(__rdtsc() - c0) / (Now() - t0);
}

// Ticks a call of fn, over `calls` calls.
double Sample(LONG (*fn)(), int calls) {
    const unsigned long long start = __rdtsc();
    for (int i = 0; i < calls; ++i) fn();
    return static_cast<double>(__rdtsc() - start) / calls;
}

// For each export: a check that both sides answer the same, then `pairs`
// pairs of samples of about half a millisecond a side (one call at least),
// the side that goes first taking turns. The verdict is on the median of the
// per-pair ratios.
int SideBySide(int pairs, const char* only) {
    const double ticks = TicksPerMicrosecond();
    const UINT_PTR handle = PassTheHandleWindows();
    std::printf("one process; time-stamp counter %.1f MHz; device 0's next handle 0x%lx (past the 65536th open)\n",
                ticks, static_cast<unsigned long>(handle));
    std::printf("| Export | mixer opens a call | pairs | calls a sample | library us | bare us | ratio of medians | "
                "median of ratios | within 5%% |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---|\n");
    std::fflush(stdout);
    int missed = 0;
    for (const Case& c : kCases) {
        if (only != nullptr && std::strcmp(only, c.name) != 0) continue;
        const LONG a = c.library();
        const LONG b = c.bare();
        const int opens = CountOpens(c.library);
        // Calls a sample: doubled until a sample of the library's takes half a
        // millisecond. Short samples and many pairs: a time slice lost to
        // another process spoils few pairs, and the median passes over them.
        int calls = 1;
        while (calls < 65536 && Sample(c.library, calls) / ticks * calls < 500) calls *= 2;
        std::vector<double> lib, bar, ratio;
        for (int p = 0; p < pairs; ++p) {
            double t[2];
            for (int side = 0; side < 2; ++side) {
                const bool library = (p % 2 == 0) == (side == 0);
                t[library ? 0 : 1] = Sample(library ? c.library : c.bare, calls);
            }
            lib.push_back(t[0] / ticks);
            bar.push_back(t[1] / ticks);
            ratio.push_back(t[0] / t[1]);
        }
        const double ml = Median(lib), mb = Median(bar), mr = Median(ratio);
        const bool ok = mr <= 1.05;
        if (!ok) ++missed;
        std::printf("| %s | %d | %d | %d | %.3f | %.3f | %.3f | %.3f | %s |\n", c.name, opens, pairs, calls, ml, mb,
                    ml / mb, mr, ok ? "yes" : "NO");
        if (a != b) std::printf("  note: %s returns %ld, its bare sequence %ld\n", c.name, a, b);
        std::fflush(stdout);
    }
    std::printf("device 0's next handle 0x%lx\n", static_cast<unsigned long>(NextHandle()));
    return missed == 0 ? 0 : 1;
}

// ---- Memory ------------------------------------------------------------------

// The process's heap, walked block by block, and its memory as Wine reports
// it (from the Linux process's own status).
struct Memory {
    long heapBlocks;
    SIZE_T heapBytes;
    SIZE_T workingSet, peakWorkingSet, privateBytes;
};

Memory Take() {
    Memory m;
    m.heapBlocks = 0;
    m.heapBytes = 0;
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry;
    entry.lpData = nullptr;
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            ++m.heapBlocks;
            m.heapBytes += entry.cbData;
        }
    HeapUnlock(heap);
    PROCESS_MEMORY_COUNTERS counters;
    std::memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    m.workingSet = counters.WorkingSetSize;
    m.peakWorkingSet = counters.PeakWorkingSetSize;
    m.privateBytes = counters.PagefileUsage;
    return m;
}

void Print(const char* when, const Memory& m) {
    std::printf("%-7s process heap %ld blocks / %lu bytes; working set %lu kB (peak %lu kB), private %lu kB\n", when,
                m.heapBlocks, static_cast<unsigned long>(m.heapBytes), static_cast<unsigned long>(m.workingSet / 1024),
                static_cast<unsigned long>(m.peakWorkingSet / 1024), static_cast<unsigned long>(m.privateBytes / 1024));
}

bool Grew(const Memory& before, const Memory& after) {
    // The heap exactly; the process's pages with a little room for the C
    // library's and Wine's own lazily grown buffers.
    return after.heapBlocks > before.heapBlocks || after.heapBytes > before.heapBytes ||
           after.privateBytes > before.privateBytes + 64 * 1024 || after.workingSet > before.workingSet + 64 * 1024;
}

// n mixed calls in a row, every request working: past the 65536th open
// the handles name no device, and the library names device 0 by its
// identifier.
int MemoryRun(long n) {
    for (int i = 0; i < kCaseCount; ++i) kCases[i].library();  // warms each
    const UINT_PTR handle = PassTheHandleWindows();
    long counts[kCaseCount] = {0};
    const Memory before = Take();
    const double start = Now();
    for (long i = 0; i < n; ++i) {
        const int which = kMix[i % kMixLength];
        kCases[which].library();
        ++counts[which];
    }
    const double seconds = (Now() - start) / 1e6;
    const Memory after = Take();

    std::printf("%ld mixed calls in %.1f s, from device 0's handle 0x%lx to 0x%lx:", n, seconds,
                static_cast<unsigned long>(handle), static_cast<unsigned long>(NextHandle()));
    for (int i = 0; i < kCaseCount; ++i)
        std::printf(" %s %ld%s", kCases[i].name, counts[i], i + 1 < kCaseCount ? "," : "\n");
    Print("before", before);
    Print("after", after);
    const bool grew = Grew(before, after);
    std::printf("%s\n", grew ? "GROWTH" : "no growth of heap blocks or heap bytes; working set and private bytes within 64 kB");
    return grew ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    int pairs = 400;
    long memory = 0;
    const char* only = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pairs" && i + 1 < argc) pairs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else if (a == "--memory" && i + 1 < argc) memory = std::atol(argv[++i]);
        else {
            std::printf("usage: wine_bench [--pairs P] [--only NAME] | --memory N\n");
            return 2;
        }
    }
    if (!Setup()) return 1;
    DWORD volumeId = 0, muteId = 0;
    LONG volume = 0, mute = 0;
    const bool saved = MasterControl(MIXERCONTROL_CONTROLTYPE_VOLUME, &volumeId) &&
                       MasterControl(MIXERCONTROL_CONTROLTYPE_MUTE, &muteId) &&
                       MasterValue(volumeId, &volume, false) && MasterValue(muteId, &mute, false);
    std::printf("mixer device 0 of %u; master volume %ld, mute %ld\n", mixerGetNumDevs(), volume, mute);
    const int status = memory > 0 ? MemoryRun(memory) : SideBySide(pairs, only);
    if (saved) {
        MasterValue(volumeId, &volume, true);
        MasterValue(muteId, &mute, true);
    }
    Cleanup();
    return status;
}
