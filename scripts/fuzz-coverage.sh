#!/bin/sh
# Coverage of the library's own code by the fuzz corpora: builds the fuzz
# targets with the library instrumented for clang's source-based coverage
# (the fuzz-coverage preset; the simulated platform and the targets are not
# instrumented), replays every input of each target's corpus once, with the
# platform's call log on (MIXER_FUZZ_LOG=1, so every check runs), and
# writes to build/fuzz-coverage/report/:
#   summary.txt   llvm-cov's table of lines, regions, functions and branches
#                 a file, and the total;
#   show.txt      the annotated sources with their branch counts;
#   unreached.txt every line and every branch side never reached;
#   html/         the same as pages.
# It prints the totals and the unreached lines and branches. A line never
# reached must either be reached by a corpus or carry a comment saying why
# it cannot be (the word "unreachable" on the line or the line above); the
# script exits 1 when one does neither.
#
#   scripts/fuzz-coverage.sh [CORPUS_ROOT]    default fuzz/corpus
#
# CORPUS_ROOT holds one directory of inputs a target (settings_file,
# name_file, random_card), as fuzz/corpus does; scripts/fuzz-campaign.sh
# merges its findings there.
set -e
cd "$(dirname "$0")/.."
root=${1:-fuzz/corpus}
for target in settings_file name_file random_card; do
    if [ ! -d "$root/$target" ]; then
        echo "$0: no corpus directory $root/$target" >&2
        exit 2
    fi
done
cmake --preset fuzz-coverage >/dev/null
cmake --build --preset fuzz-coverage
build=build/fuzz-coverage
out=$build/report
rm -rf "$out"
mkdir -p "$out/profiles"
. scripts/fuzz-env.sh
export MIXER_FUZZ_LOG=1
objects=
for target in settings_file name_file random_card; do
    bin=$build/fuzz/fuzz_$target
    count=$(find "$root/$target" -type f | wc -l)
    echo "== replaying $count inputs of $target"
    # One process a batch of inputs, each writing its own profile.
    if ! find "$root/$target" -type f -print0 | sort -z |
        LLVM_PROFILE_FILE="$out/profiles/$target-%p.profraw" xargs -0 -r -n 256 \
            "$bin" $FUZZ_LIMITS >"$out/$target.log" 2>&1; then
        tail -n 30 "$out/$target.log"
        echo "$0: an input of $target failed: see $out/$target.log" >&2
        exit 1
    fi
    if [ -z "$objects" ]; then objects=$bin; else objects="$objects -object $bin"; fi
done
llvm-profdata merge -sparse "$out"/profiles/*.profraw -o "$out/merged.profdata"
sources="src/core src/engine src/selector src/exports src/persistence src/cdaudio"
# shellcheck disable=SC2086  # the object list and sources are word lists
llvm-cov report -instr-profile="$out/merged.profdata" $objects $sources >"$out/summary.txt"
# shellcheck disable=SC2086
llvm-cov show -show-branches=count -instr-profile="$out/merged.profdata" $objects $sources >"$out/show.txt"
# shellcheck disable=SC2086
llvm-cov show -format=html -show-branches=count -output-dir="$out/html" \
    -instr-profile="$out/merged.profdata" $objects $sources
tail -n 1 "$out/summary.txt" | awk '{ printf "llvm-cov total: lines %s (%s of %s missed), branches %s (%s of %s missed)\n", $10, $9, $8, $13, $12, $11 }'
python3 scripts/coverage_unreached.py "$out/show.txt" "$out/unreached.txt"
