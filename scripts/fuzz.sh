#!/bin/sh
# Builds the fuzz targets (the fuzz preset: clang with libFuzzer, address and
# undefined-behaviour sanitizers) and runs each one for a bounded time, on
# its committed seed corpus (fuzz/corpus/<target>) and what earlier runs
# added (build/fuzz/corpus/<target>), with the target's dictionary
# (fuzz/<target>.dict). scripts/fuzz-campaign.sh runs long campaigns.
#
#   scripts/fuzz.sh [seconds per target]     default 20; the test command's run
#
# A finding stops that target and leaves its input in build/fuzz/artifacts/;
# such an input becomes a regression test of the native suite.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/artifacts
. scripts/fuzz-env.sh
status=0
for target in settings_file name_file random_card; do
    work=build/fuzz/corpus/$target
    log=build/fuzz/$target.log
    mkdir -p "$work"
    echo "== fuzz $target, ${seconds}s"
    if build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" $FUZZ_LIMITS \
        -dict="fuzz/$target.dict" -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-" \
        "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        sed -n 's/^stat::number_of_executed_units: */   executions: /p; s/^stat::new_units_added: */   new inputs: /p' "$log"
    else
        tail -n 60 "$log"
        echo "   FINDING: see $log and build/fuzz/artifacts/"
        status=1
    fi
done
exit $status
