#!/bin/sh
# Installs what is missing, builds the presets and runs every test: each fuzz
# target for 20 seconds, then the native suite against the simulated
# platform, the same suite under the address and undefined-behaviour
# sanitizers, the threads test under ThreadSanitizer, and MIXER.DLL under
# Wine (ctest's summary comes last).
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
status=0
for preset in native asan tsan win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
scripts/fuzz.sh 20 || status=1
for preset in native asan tsan win32; do
    echo "== ctest $preset"
    ctest --preset "$preset" -j2 || status=1
done
exit $status
