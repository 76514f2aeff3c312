// Time per call of representative exports on the simulated platform, with
// Google Benchmark. Each benchmark starts from a fresh typical card; the
// platform's call log is emptied every 256 calls with the clock stopped.
//
// Counters: platform_calls is the number of simulated platform calls one
// export call makes (mixer requests, heap and file calls alike).
#include <benchmark/benchmark.h>

#include "bench_card.h"

namespace {

void RunExport(benchmark::State& state, const BenchCall& call) {
    ResetToBenchCard();
    call.call();  // warm: caches filled, the log's storage grown
    sim::ClearLog();
    call.call();
    const double platformCalls = static_cast<double>(sim::Log().size());
    sim::ClearLog();
    unsigned n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(call.call());
        if ((++n & 255u) == 0) {
            state.PauseTiming();
            sim::ClearLog();
            state.ResumeTiming();
        }
    }
    state.counters["platform_calls"] = platformCalls;
    if (sim::OpenMixerHandles() != 0 || sim::ProcessHeapBlocks() != 0 || sim::LocalBlocks() != 0)
        state.SkipWithError("resources held after the run");
}

int RegisterAll() {
    for (int i = 0; i < kBenchCallCount; ++i) {
        const BenchCall& call = kBenchCalls[i];
        benchmark::RegisterBenchmark(call.name, [&call](benchmark::State& s) { RunExport(s, call); })
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}

const int g_registered = RegisterAll();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    RemoveBenchFiles();
    return 0;
}
