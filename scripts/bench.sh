#!/bin/sh
# Builds and runs the benchmarks (not part of the test command):
#   native     time per call on the simulated platform (Google Benchmark)
#   callgrind  instructions per call, the library's own and the platform's
#   memory     one million mixed calls natively and under Wine
#   wine       each export against its bare request sequence under Wine
#   lock       the state lock under Wine: a critical section (MIXER.DLL's),
#              an SRWLOCK and the exchanged word before them, bare and built
#              into the library; then the Wine host's four threads with each
#   panel      the mixer panel's endurance run under Wine and Xvfb, 30 minutes
#              (MIXER_PANEL_SECONDS changes that; scripts/panel-endurance.sh)
#   fuzz       executions a second of each fuzz target, 30 seconds from its
#              committed corpus (MIXER_FUZZ_SECONDS changes that)
# With no argument it runs the first four. BENCHMARKS.md has the figures.
# MIXER_BENCH_JOBS sets the build's parallel jobs (default 2).
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
parts=${*:-native callgrind memory wine}
jobs=${MIXER_BENCH_JOBS:-2}
native=build/bench-native
win32=build/bench-win32
MIXER_WINE_BASE=${MIXER_WINE_BASE:-${TMPDIR:-/tmp}/mixer-wine-bench-$(id -u)}
export MIXER_WINE_BASE

echo "== machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
     "load average $(cut -d' ' -f1-3 /proc/loadavg)"

need_native=no; need_win32=no
for p in $parts; do
    case $p in
    native|callgrind) need_native=yes ;;
    memory) need_native=yes; need_win32=yes ;;
    wine) need_native=yes; need_win32=yes ;;
    lock) need_win32=yes ;;
    panel|fuzz) ;;
    *) echo "unknown part: $p (native, callgrind, memory, wine, lock, panel, fuzz)"; exit 2 ;;
    esac
done
if [ $need_native = yes ]; then
    cmake --preset native -B $native -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build $native -j"$jobs" --target native_bench bench_calls bare_check
fi
if [ $need_win32 = yes ]; then
    cmake --preset win32 -B $win32 >/dev/null
    cmake --build $win32 -j"$jobs" --target mixer wine_bench
    case " $parts " in
    *" lock "*) cmake --build $win32 -j"$jobs" --target lock_bench winehost mixer_lock_SRW mixer_lock_XCHG ;;
    esac
fi

for p in $parts; do
    case $p in
    native)
        echo "== native: time per call on the simulated platform"
        # Five repetitions of at least half a second each; the medians.
        $native/bench/native_bench --benchmark_min_time=0.5 --benchmark_repetitions=5 \
            --benchmark_report_aggregates_only=true | grep -v -E '_(mean|stddev|cv) '
        ;;
    callgrind)
        echo "== callgrind: instructions per call"
        python3 bench/callgrind.py --bin $native/bench/bench_calls
        ;;
    memory)
        echo "== memory: one million mixed calls on the simulated platform"
        $native/bench/bench_calls memory 1000000
        echo "== memory: one million mixed calls under Wine"
        (cd $win32 && ../../tests/wine/wine-run.sh ./wine_bench.exe --memory 1000000)
        ;;
    wine)
        echo "== wine: the requests each export makes, as in its bare sequence (simulated platform)"
        $native/bench/bare_check | tail -1
        echo "== wine: each export against its bare request sequence"
        (cd $win32 && ../../tests/wine/wine-run.sh ./wine_bench.exe)
        ;;
    lock)
        echo "== lock: the state lock, bare and in the library"
        (cd $win32 && ../../tests/wine/wine-run.sh ./lock_bench.exe)
        echo "== lock: the Wine host's four threads for ten seconds, with each lock"
        scratch=$win32/lock-host
        for dll in MIXER.DLL lock-variants/MIXER_SRW.DLL lock-variants/MIXER_XCHG.DLL; do
            rm -rf "$scratch"
            mkdir -p "$scratch"
            cp $win32/winehost.exe "$scratch/"
            cp $win32/$dll "$scratch/MIXER.DLL"
            echo "-- $dll"
            (cd "$scratch" && ../../../tests/wine/wine-run.sh ./winehost.exe solo_four_threads | grep -E 'checks')
        done
        rm -rf "$scratch"
        ;;
    panel)
        echo "== panel: the mixer panel's endurance run under Wine"
        scripts/panel-endurance.sh "${MIXER_PANEL_SECONDS:-1800}"
        ;;
    fuzz)
        echo "== fuzz: executions a second, ${MIXER_FUZZ_SECONDS:-30}s a target from its committed corpus"
        cmake --preset fuzz >/dev/null
        cmake --build --preset fuzz
        scratch=build/fuzz/bench
        . scripts/fuzz-env.sh
        for target in settings_file name_file random_card; do
            rm -rf "$scratch"
            mkdir -p "$scratch"
            cp fuzz/corpus/$target/* "$scratch/"
            build/fuzz/fuzz/fuzz_$target -max_total_time="${MIXER_FUZZ_SECONDS:-30}" $FUZZ_LIMITS \
                -dict=fuzz/$target.dict -print_final_stats=1 "$scratch" >build/fuzz/bench.log 2>&1
            printf '%-14s %10s executions %6s/s  load %s\n' "$target" \
                "$(sed -n 's/^stat::number_of_executed_units: *//p' build/fuzz/bench.log)" \
                "$(sed -n 's/^stat::average_exec_per_sec: *//p' build/fuzz/bench.log)" "$(cut -d' ' -f1-3 /proc/loadavg)"
        done
        rm -rf "$scratch"
        ;;
    esac
done
