// Drives exports for the instruction counts and the memory run, natively.
//
//   bench_calls list              the exports it knows
//   bench_calls run NAME N        N calls of one export, for callgrind
//   bench_calls memory N          N mixed calls; resources and memory before/after
//
// In `run`, each call goes through bench_one(), which callgrind collects
// (--toggle-collect=bench_one); emptying the platform's call log between
// calls happens outside it.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_card.h"
#include "sim_files.h"

extern "C" __attribute__((noinline)) long bench_one(long (*call)()) {
    return call();
}

namespace {

struct Resources {
    int mixers, heapBlocks, localBlocks, files, searches, keys;
    size_t mallocBytes;  // bytes the process has in use from malloc (the simulated heaps live there)
    long rssKb;
};

long RssKb() {
    long kb = -1;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmRSS:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
        std::fclose(f);
    }
    return kb;
}

Resources Take() {
    Resources r;
    r.mixers = sim::OpenMixerHandles();
    r.heapBlocks = sim::ProcessHeapBlocks();
    r.localBlocks = sim::LocalBlocks();
    r.files = sim::OpenFiles();
    r.searches = sim::OpenSearches();
    r.keys = sim::OpenKeys();
    r.rssKb = RssKb();  // first: the C library keeps some of what its first fopen allocates
    r.mallocBytes = mallinfo2().uordblks;
    return r;
}

void Print(const char* when, const Resources& r) {
    std::printf("%-7s mixer handles %d, process heap blocks %d, local blocks %d, files %d, searches %d, keys %d, "
                "malloc in use %zu bytes, RSS %ld kB\n",
                when, r.mixers, r.heapBlocks, r.localBlocks, r.files, r.searches, r.keys, r.mallocBytes, r.rssKb);
}

int Run(const std::string& name, long n) {
    const BenchCall* call = FindBenchCall(name);
    if (call == nullptr) {
        std::fprintf(stderr, "unknown export %s\n", name.c_str());
        return 2;
    }
    ResetToBenchCard();
    call->call();  // warm
    sim::ClearLog();
    call->call();
    const size_t platformCalls = sim::Log().size();
    size_t mixerCalls = 0;
    for (const sim::Call& c : sim::Log())
        if (c.fn.compare(0, 5, "mixer") == 0) ++mixerCalls;
    sim::ClearLog();
    long sink = 0;
    for (long i = 0; i < n; ++i) {
        sink += bench_one(call->call);
        sim::ClearLog();
    }
    std::printf("%s calls=%ld platform_calls=%zu mixer_requests=%zu sink=%ld\n", name.c_str(), n, platformCalls,
                mixerCalls, sink);
    RemoveBenchFiles();
    return 0;
}

int Memory(long n) {
    ResetToBenchCard();
    // A warm-up of its own, so that every lazily grown buffer of the
    // simulated platform and the C library (the call log, path strings,
    // directory buffers) has its size.
    const long warm = n / 100 > 4000 ? n / 100 : 4000;
    for (long i = 0; i < warm; ++i) {
        kBenchCalls[kMixCycle[i % kMixCycleLength]].call();
        sim::ClearLog();
    }
    const Resources before = Take();
    long counts[64] = {0};
    for (long i = 0; i < n; ++i) {
        const int which = kMixCycle[i % kMixCycleLength];
        kBenchCalls[which].call();
        ++counts[which];
        sim::ClearLog();
    }
    const Resources after = Take();
    std::printf("%ld mixed calls:", n);
    for (int i = 0; i < kBenchCallCount; ++i) std::printf(" %s %ld%s", kBenchCalls[i].name, counts[i],
                                                          i + 1 < kBenchCallCount ? "," : "\n");
    Print("before", before);
    Print("after", after);
    const bool held = after.mixers != 0 || after.heapBlocks != 0 || after.localBlocks != 0 || after.files != 0 ||
                      after.searches != 0 || after.keys != 0;
    // The library takes no memory but through the simulated heaps (counted
    // above); malloc serves the simulated platform's own bookkeeping and the
    // C library, whose buffers may still settle by a few bytes. A leak of a
    // byte a thousand calls would show.
    const long mallocGrowth = static_cast<long>(after.mallocBytes) - static_cast<long>(before.mallocBytes);
    const bool grew = mallocGrowth > n / 1000 || after.rssKb > before.rssKb + 64;
    std::printf("malloc in use %+ld bytes, RSS %+ld kB\n", mallocGrowth, after.rssKb - before.rssKb);
    std::printf("%s\n", held || grew ? "GROWTH" : "no growth: nothing held, memory in use steady");
    RemoveBenchFiles();
    return held || grew ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "list") {
        for (int i = 0; i < kBenchCallCount; ++i) std::printf("%s\n", kBenchCalls[i].name);
        return 0;
    }
    if (mode == "run" && argc == 4) return Run(argv[2], std::atol(argv[3]));
    if (mode == "memory" && argc == 3) return Memory(std::atol(argv[2]));
    std::fprintf(stderr, "usage: %s list | run NAME N | memory N\n", argv[0]);
    return 2;
}
