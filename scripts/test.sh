#!/bin/sh
# Installs what is missing, builds the presets and runs every test: the
# native suite against the simulated platform, the same suite under the
# address and undefined-behaviour sanitizers, MIXER.DLL under Wine, then each
# fuzz target for 20 seconds.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
status=0
for preset in native asan win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
for preset in native asan win32; do
    echo "== ctest $preset"
    ctest --preset "$preset" -j2 || status=1
done
scripts/fuzz.sh 20 || status=1
exit $status
