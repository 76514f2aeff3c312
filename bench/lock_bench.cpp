// The state lock under Wine (BENCHMARKS.md, "The state lock"), in three
// parts, each a table:
//  1. a take and release on one thread: the critical section MIXER.DLL uses,
//     an SRWLOCK found at run time, and the exchanged word the critical
//     section replaced (lock_kinds.h);
//  2. GetRecLineInSelect, a per-line getter that fails early on Wine's
//     device 0 (it has no wave-in line), which takes the state lock once:
//     through MIXER.DLL and through the same library built with the other
//     two locks (lock-variants/MIXER_SRW.DLL and MIXER_XCHG.DLL, which
//     scripts/bench.sh lock builds), samples taking turns;
//  3. four threads at once on the machine's cores: on each bare lock, with a
//     256-byte copy under it and nothing between takes; and on each DLL's
//     exports that take the state lock.
//
//   lock_bench [--seconds S]   S seconds a lock in part 3 (default 2)
//
// Run it in the directory that holds MIXER.DLL, under tests/wine/wine-run.sh.
#include <windows.h>
#include <x86intrin.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lock_kinds.h"

#define MIXER_NO_PROTOTYPES
#include "mixer.h"

namespace {

double g_ticksPerUs;  // time-stamp counter ticks a microsecond

double NowUs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(f.QuadPart);
}

double TicksPerUs() {
    const double t0 = NowUs();
    const unsigned long long c0 = __rdtsc();
    while (NowUs() - t0 < 200000) {
    }
    return static_cast<double>(__rdtsc() - c0) / (NowUs() - t0);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ---- 1. One thread ------------------------------------------------------------

const int kRounds = 401;
const int kPairsASample = 20000;

// Nanoseconds a take and release, one sample.
template <typename L>
double TakeAndRelease(L* lock) {
    const unsigned long long start = __rdtsc();
    for (int i = 0; i < kPairsASample; ++i) {
        lock->Take();
        lock->Give();
    }
    return static_cast<double>(__rdtsc() - start) * 1000.0 / g_ticksPerUs / kPairsASample;
}

void OneThread() {
    lockbench::CsLock cs;
    lockbench::SrwLock srw;
    lockbench::XchgLock xchg;
    if (!cs.Make() || !srw.Make() || !xchg.Make()) {
        std::printf("a lock could not be made (no SRWLOCK functions in kernel32?)\n");
        return;
    }
    std::vector<double> times[3];
    for (int r = 0; r < kRounds; ++r) {
        // The kinds take turns at going first.
        for (int k = 0; k < 3; ++k) {
            const int kind = (r + k) % 3;
            times[kind].push_back(kind == 0 ? TakeAndRelease(&cs) : kind == 1 ? TakeAndRelease(&srw)
                                                                             : TakeAndRelease(&xchg));
        }
    }
    cs.Delete();
    std::printf("\n1. A take and release on one thread: median of %d samples of %d\n\n", kRounds, kPairsASample);
    std::printf("| Lock | ns a take and release | fastest sample |\n|---|---:|---:|\n");
    const char* names[] = {"critical section, spin count 0", "SRWLOCK (exclusive, through GetProcAddress)",
                           "exchanged word (the lock before)"};
    for (int k = 0; k < 3; ++k)
        std::printf("| %s | %.1f | %.1f |\n", names[k], Median(times[k]),
                    *std::min_element(times[k].begin(), times[k].end()));
}

// ---- 2. The per-line getter that fails early -----------------------------------

struct Dll {
    const char* label;
    const char* path;
    HMODULE module;
    MIXER_PFN_GetRecLineInSelect getRecLineInSelect;
    MIXER_PFN_SetRecLineInSelect setRecLineInSelect;
    MIXER_PFN_SetCDTypeDigital setCDTypeDigital;
    MIXER_PFN_GetCDTypeDigital getCDTypeDigital;
    MIXER_PFN_SetSoundCardConfigFilePath setConfigPath;
};

template <typename F>
F Find(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

bool Load(Dll* d) {
    d->module = LoadLibraryA(d->path);
    if (d->module == nullptr) {
        std::printf("%s: not loaded (error %lu); scripts/bench.sh lock builds it\n", d->path, GetLastError());
        return false;
    }
    d->getRecLineInSelect = Find<MIXER_PFN_GetRecLineInSelect>(d->module, "GetRecLineInSelect");
    d->setRecLineInSelect = Find<MIXER_PFN_SetRecLineInSelect>(d->module, "SetRecLineInSelect");
    d->setCDTypeDigital = Find<MIXER_PFN_SetCDTypeDigital>(d->module, "SetCDTypeDigital");
    d->getCDTypeDigital = Find<MIXER_PFN_GetCDTypeDigital>(d->module, "GetCDTypeDigital");
    d->setConfigPath = Find<MIXER_PFN_SetSoundCardConfigFilePath>(d->module, "SetSoundCardConfigFilePath");
    return d->getRecLineInSelect && d->setRecLineInSelect && d->setCDTypeDigital && d->getCDTypeDigital &&
           d->setConfigPath;
}

const int kCallsASample = 1024;

void EarlyFailingGetter(const std::vector<Dll>& dlls) {
    const size_t n = dlls.size();
    std::vector<std::vector<double>> times(n);
    long wrong = 0;
    for (int r = 0; r < kRounds; ++r) {
        for (size_t k = 0; k < n; ++k) {
            const Dll& d = dlls[(r + k) % n];
            const unsigned long long start = __rdtsc();
            for (int i = 0; i < kCallsASample; ++i)
                if (d.getRecLineInSelect() != -1) ++wrong;
            times[(r + k) % n].push_back(static_cast<double>(__rdtsc() - start) / g_ticksPerUs / kCallsASample);
        }
    }
    std::printf("\n2. GetRecLineInSelect on Wine's device 0 (no wave-in line): %d rounds of one sample of %d calls "
                "a DLL, the DLLs taking turns at going first\n\n", kRounds, kCallsASample);
    std::printf("| DLL | us a call (median) | against MIXER.DLL: median of the rounds' ratios |\n|---|---:|---:|\n");
    for (size_t k = 0; k < n; ++k) {
        std::vector<double> ratios;
        for (int r = 0; r < kRounds; ++r) ratios.push_back(times[k][r] / times[0][r]);
        std::printf("| %s | %.3f | %.3f |\n", dlls[k].label, Median(times[k]), Median(ratios));
    }
    if (wrong) std::printf("\n%ld calls did not answer -1\n", wrong);
}

// ---- 3. Four threads -------------------------------------------------------------

const int kThreads = 4;

struct Worker {
    void (*body)(Worker*);
    void* target;  // the lock or the DLL
    int index;
    volatile LONG* stop;
    long count;
    long wrong;
    unsigned long long longest;  // ticks: the longest wait for the lock, or the longest call
    long overMs;                 // waits or calls of a millisecond or more
    void Note(unsigned long long ticks) {
        ++count;
        longest = std::max(longest, ticks);
        if (ticks >= g_ticksPerUs * 1000) ++overMs;
    }
};

DWORD WINAPI RunWorker(LPVOID p) {
    Worker* w = static_cast<Worker*>(p);
    w->body(w);
    return 0;
}

char g_shared[256];

template <typename L>
void HammerLock(Worker* w) {
    L* lock = static_cast<L*>(w->target);
    char name[256];
    std::memset(name, 'a' + w->index, sizeof name);
    while (!*w->stop) {
        const unsigned long long start = __rdtsc();
        lock->Take();
        const unsigned long long taken = __rdtsc();
        std::memcpy(g_shared, name, sizeof g_shared);  // as CopyField into a state field
        lock->Give();
        w->Note(taken - start);
    }
}

// The lock-taking exports, one kind a thread, as a host's threads call them.
std::string g_configDir;

void CallExports(Worker* w) {
    const Dll* d = static_cast<const Dll*>(w->target);
    const LONG dirLength = static_cast<LONG>(g_configDir.size() + 1);
    for (long i = 0; !*w->stop; ++i) {
        const unsigned long long start = __rdtsc();
        bool ok = true;
        switch (w->index) {
        case 0: ok = d->getRecLineInSelect() == -1; break;
        case 1: ok = d->setRecLineInSelect() == 1; break;
        case 2: ok = d->setCDTypeDigital(i & 1) == 1 && d->getCDTypeDigital() == (i & 1); break;
        default: ok = d->setConfigPath(g_configDir.c_str()) == dirLength; break;
        }
        w->Note(__rdtsc() - start);
        if (!ok) ++w->wrong;
    }
}

// Runs four workers for `seconds` and prints one table row; `shares` adds
// the fewest and most done by one thread (for workers that do the same).
void RunFour(const char* label, void (*body)(Worker*), void* target, double seconds, bool shares) {
    volatile LONG stop = 0;
    Worker workers[kThreads];
    HANDLE threads[kThreads];
    for (int i = 0; i < kThreads; ++i) {
        workers[i] = Worker{body, target, i, &stop, 0, 0, 0, 0};
        threads[i] = CreateThread(nullptr, 0, RunWorker, &workers[i], 0, nullptr);
    }
    Sleep(static_cast<DWORD>(seconds * 1000));
    InterlockedExchange(const_cast<LONG*>(&stop), 1);
    WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
    long total = 0, fewest = workers[0].count, most = 0, overMs = 0, wrong = 0;
    unsigned long long longest = 0;
    for (int i = 0; i < kThreads; ++i) {
        CloseHandle(threads[i]);
        total += workers[i].count;
        fewest = std::min(fewest, workers[i].count);
        most = std::max(most, workers[i].count);
        longest = std::max(longest, workers[i].longest);
        overMs += workers[i].overMs;
        wrong += workers[i].wrong;
    }
    char share[64] = "";
    if (shares) std::snprintf(share, sizeof share, " %.0f%% / %.0f%% |", 100.0 * fewest / total, 100.0 * most / total);
    std::printf("| %s | %.2f M |%s %.0f | %ld |%s\n", label, total / seconds / 1e6, share, longest / g_ticksPerUs,
                overMs, wrong ? " wrong results!" : "");
    std::fflush(stdout);
}

void FourThreads(const std::vector<Dll>& dlls, double seconds) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    std::printf("\n3a. Four threads on %lu cores taking one lock, a 256-byte copy under it, nothing between "
                "takes; %.0f s each\n\n", info.dwNumberOfProcessors, seconds);
    std::printf("| Lock | takes a second | fewest / most by one thread | longest wait, us | waits of 1 ms or more |\n"
                "|---|---:|---:|---:|---:|\n");
    lockbench::CsLock cs;
    lockbench::SrwLock srw;
    lockbench::XchgLock xchg;
    if (cs.Make()) {
        RunFour("critical section", HammerLock<lockbench::CsLock>, &cs, seconds, true);
        cs.Delete();
    }
    if (srw.Make()) RunFour("SRWLOCK", HammerLock<lockbench::SrwLock>, &srw, seconds, true);
    RunFour("exchanged word", HammerLock<lockbench::XchgLock>, &xchg, seconds, true);

    std::printf("\n3b. Four threads calling a DLL's lock-taking exports (GetRecLineInSelect, SetRecLineInSelect, "
                "Set/GetCDTypeDigital, SetSoundCardConfigFilePath), one a thread; %.0f s each\n\n", seconds);
    std::printf("| DLL | calls a second | longest call, us | calls of 1 ms or more |\n|---|---:|---:|---:|\n");
    for (const Dll& d : dlls) RunFour(d.label, CallExports, const_cast<Dll*>(&d), seconds, false);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(0.1, std::atof(argv[++i]));
        } else {
            std::printf("usage: lock_bench [--seconds S]\n");
            return 2;
        }
    }
    g_ticksPerUs = TicksPerUs();
    std::printf("time-stamp counter %.1f MHz\n", g_ticksPerUs);
    OneThread();

    std::vector<Dll> dlls;
    const Dll candidates[] = {
        {"MIXER.DLL (critical section)", "MIXER.DLL", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"MIXER_SRW.DLL (SRWLOCK)", "lock-variants\\MIXER_SRW.DLL", nullptr, nullptr, nullptr, nullptr, nullptr,
         nullptr},
        {"MIXER_XCHG.DLL (exchanged word)", "lock-variants\\MIXER_XCHG.DLL", nullptr, nullptr, nullptr, nullptr,
         nullptr, nullptr},
    };
    for (const Dll& c : candidates) {
        Dll d = c;
        if (Load(&d)) dlls.push_back(d);
    }
    if (dlls.empty() || dlls[0].module == nullptr || std::strcmp(dlls[0].path, "MIXER.DLL") != 0) {
        std::printf("MIXER.DLL not loaded: run this in its directory\n");
        return 1;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_configDir = temp;
    EarlyFailingGetter(dlls);
    FourThreads(dlls, seconds);
    for (const Dll& d : dlls) FreeLibrary(d.module);
    return 0;
}
