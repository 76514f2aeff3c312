#!/bin/sh
# A fuzzing campaign: builds the fuzz preset, runs each target for a given
# time on a working copy of its corpus (fuzz/corpus/<target>) with its
# dictionary, merges what it found back into fuzz/corpus/<target>, minimised
# (libFuzzer's -merge=1 into a fresh directory: the smallest set of inputs
# with every feature of the old corpus and the working copy), and prints
# for each target the executions, executions a second, the load average,
# the coverage of the merged corpus (libFuzzer's cov: edges of the library,
# ft: features) and the findings.
#
#   scripts/fuzz-campaign.sh SECONDS [TARGET[=SECONDS]]...
#
# SECONDS is each target's time; naming targets runs only those, each for
# its own time when given (settings_file, name_file, random_card). With
# MIXER_FUZZ_RUNS=N in the environment a target also stops once it has run
# N inputs (libFuzzer's -runs, carried across its runs). A
# finding does not end a target's run: its input is kept in
# build/fuzz/campaign/<target>/findings/ and the target goes on for the rest
# of its time (at most 20 findings a target). Each finding must become a
# regression test of the native suite. The test command's short run is
# scripts/fuzz.sh.
set -e
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
    echo "usage: $0 SECONDS [TARGET[=SECONDS]]..." >&2
    exit 2
fi
seconds=$1
shift
case $seconds in '' | *[!0-9]*) echo "$0: not a number of seconds: $seconds" >&2; exit 2 ;; esac
runs_limit=${MIXER_FUZZ_RUNS:-}
case $runs_limit in *[!0-9]*) echo "$0: MIXER_FUZZ_RUNS is not a number: $runs_limit" >&2; exit 2 ;; esac
targets=${*:-settings_file name_file random_card}
for spec in $targets; do
    case ${spec%%=*} in
    settings_file | name_file | random_card) ;;
    *) echo "$0: no such target: ${spec%%=*}" >&2; exit 2 ;;
    esac
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
. scripts/fuzz-env.sh
summary=build/fuzz/campaign/summary.txt
mkdir -p build/fuzz/campaign
: >"$summary"
total_findings=0
failed=0

for spec in $targets; do
    target=${spec%%=*}
    time=$seconds
    [ "$spec" = "$target" ] || time=${spec#*=}
    case $time in '' | *[!0-9]*) echo "$0: not a number of seconds: $spec" >&2; exit 2 ;; esac
    bin=build/fuzz/fuzz/fuzz_$target
    dir=build/fuzz/campaign/$target
    rm -rf "$dir"
    mkdir -p "$dir/work" "$dir/merged" "$dir/findings"
    cp fuzz/corpus/$target/* "$dir/work/"
    before=$(ls fuzz/corpus/$target | wc -l)
    echo "== campaign $target, ${time}s (log: $dir/run-N.log)"

    # Runs until the time is used up; a finding ends one run, the next one
    # goes on with the corpus so far.
    start=$(date +%s)
    executions=0
    runs=0
    findings=0
    while :; do
        left=$((time - ($(date +%s) - start)))
        [ "$left" -gt 0 ] || break
        limit=-1
        if [ -n "$runs_limit" ]; then
            limit=$((runs_limit - executions))
            [ "$limit" -gt 0 ] || break
        fi
        runs=$((runs + 1))
        log=$dir/run-$runs.log
        if "$bin" -max_total_time="$left" -runs="$limit" $FUZZ_LIMITS -dict="fuzz/$target.dict" \
            -print_final_stats=1 -artifact_prefix="$dir/findings/" "$dir/work" >"$log" 2>&1; then
            status=0
        else
            status=1
        fi
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        executions=$((executions + ${n:-0}))
        [ "$status" -ne 0 ] || break
        findings=$((findings + 1))
        echo "   finding in run $runs:"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|artifact_prefix|Test unit written)' "$log" | head -n 5 | sed 's/^/     /'
        [ "$findings" -lt 20 ] || break
    done
    elapsed=$(($(date +%s) - start))
    [ "$elapsed" -gt 0 ] || elapsed=1
    load=$(cut -d' ' -f1-3 /proc/loadavg)

    # Minimised merge of the old corpus and the working copy.
    "$bin" -merge=1 $FUZZ_LIMITS "$dir/merged" "fuzz/corpus/$target" "$dir/work" \
        >"$dir/merge.log" 2>&1
    if [ -z "$(ls "$dir/merged")" ]; then
        echo "   merge left no inputs, fuzz/corpus/$target kept: see $dir/merge.log"
        failed=1
        continue
    fi
    # Inputs named keep-* stay whatever the merge says: they reach code whose
    # paths share their edges in the optimised build, so the merge cannot
    # tell them apart, while the coverage build (scripts/fuzz-coverage.sh)
    # can.
    mkdir -p "$dir/keep"
    for kept in fuzz/corpus/$target/keep-*; do [ ! -e "$kept" ] || cp "$kept" "$dir/keep/"; done
    rm -f fuzz/corpus/$target/*
    cp "$dir/merged/"* fuzz/corpus/$target/
    for kept in "$dir/keep/"*; do [ ! -e "$kept" ] || cp "$kept" fuzz/corpus/$target/; done
    after=$(ls fuzz/corpus/$target | wc -l)
    # The merged corpus's coverage: one run of each input.
    "$bin" -runs=0 $FUZZ_LIMITS "fuzz/corpus/$target" >"$dir/coverage.log" 2>&1 || true
    cov=$(sed -n 's/.*INITED cov: \([0-9]*\) ft: \([0-9]*\).*/\1 \2/p' "$dir/coverage.log" | tail -n 1)
    found=$(ls "$dir/findings" | wc -l)
    total_findings=$((total_findings + found))
    line=$(printf '%-14s %6ss %12s executions %8s/s  load %s  corpus %s -> %s inputs  cov %s ft %s  findings %s' \
        "$target" "$elapsed" "$executions" "$((executions / elapsed))" "$load" "$before" "$after" \
        "${cov% *}" "${cov#* }" "$found")
    echo "$line" | tee -a "$summary"
    [ "$found" -eq 0 ] || ls "$dir/findings" | sed "s|^|   $dir/findings/|"
done

echo "== summary (build/fuzz/campaign/summary.txt)"
cat "$summary"
[ "$total_findings" -eq 0 ] && [ "$failed" -eq 0 ]
