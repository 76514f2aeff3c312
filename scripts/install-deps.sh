#!/bin/sh
# Installs what building and testing need on Debian 12 (run as root).
# Quick when everything is already there.
set -e
PACKAGES="cmake ninja-build g++ libgtest-dev googletest python3 g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine32
nlohmann-json3-dev libcli11-dev llvm clang libclang-rt-14-dev libbenchmark-dev valgrind
lld python3-pefile groff-base xvfb xdotool imagemagick openbox"
missing=""
for p in $PACKAGES; do
    case $p in wine32) q=wine32:i386 ;; *) q=$p ;; esac
    dpkg-query -W -f='${Status}' "$q" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" != 0 ]; then SUDO=sudo; else SUDO=; fi
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
