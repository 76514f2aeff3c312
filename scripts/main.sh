#!/bin/sh
# The main job: installs what is missing, builds MIXER.DLL into dist/ and
# shows what a host sees of it.
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
mkdir -p dist
cp build/win32/MIXER.DLL src/MIXER.def dist/
echo "dist/MIXER.DLL: $(wc -c < dist/MIXER.DLL) bytes"
i686-w64-mingw32-objdump -p dist/MIXER.DLL | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p'
