#!/bin/sh
# The main job: installs what is missing, builds everything (the library with
# the simulated platform and mixerctl natively; MIXER.DLL, mixerctl.exe and
# mixerpanel.exe for Windows), puts the host developer's kit and its release archive into dist/
# and shows what a host sees of the DLL, then tours the default simulated card
# with mixerctl (levels in percent, a toggle, JSON).
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in native win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
# The kit (its files: cmake/dist.cmake), the release archive made of it and
# the archive's checksum file.
rm -rf dist
cp -R build/win32/dist dist
cp build/win32/MIXER-*-win32.zip build/win32/MIXER-*-win32.zip.sha256 dist/
for zip in dist/MIXER-*-win32.zip; do
    echo "$zip: $(wc -c < "$zip") bytes"
    (cd dist && sha256sum -c "${zip#dist/}.sha256")
done
echo "dist/MIXER.DLL: $(wc -c < dist/MIXER.DLL) bytes"
echo "exports (ordinal, name):"
/usr/bin/python3 -c 'import pefile, sys
pe = pefile.PE(sys.argv[1])
cells = ["%4d  %-28s" % (e.ordinal, e.name.decode())
         for e in sorted(pe.DIRECTORY_ENTRY_EXPORT.symbols, key=lambda e: e.ordinal)]
rows = (len(cells) + 2) // 3
for r in range(rows):
    print("".join(cells[r::rows]).rstrip())' dist/MIXER.DLL

# A tour of the default card. Each run is a new process; --state carries the
# card's values from one run to the next, as one card would keep them.
ctl=$PWD/build/native/tools/mixerctl/mixerctl
tour=$(mktemp -d)
trap 'rm -rf "$tour"' EXIT
cd "$tour"
run() {
    echo
    echo "\$ mixerctl $*"
    "$ctl" --state card-state.json "$@"
}
run --version
run list
run info
run get play.main.volume play.linein.volume play.mic.mute rec.mic.select
run set play.linein.volume 20000 play.main.balance 4 play.mic.mute 0 -- peak wavein
run set play.main.volume 50% play.linein.volume +10% play.mic.mute toggle
run get --percent play.main.volume play.linein.volume
run get --json play.main.volume play.mic.mute
run save mixer.ini
echo "(mixer.ini: $(wc -l < mixer.ini) lines)"
run set play.linein.volume 0 -- set rec.cd.select -- sources
run restore mixer.ini -- get play.linein.volume rec.mic.select rec.cd.select -- sources
# What a script can trust: a value out of range is refused (status 2).
echo
echo "\$ mixerctl set play.main.volume 70000; echo \$?"
"$ctl" --state card-state.json set play.main.volume 70000 2>&1 || echo "$?"
