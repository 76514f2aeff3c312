#!/bin/sh
# Runs a Windows program under Wine in a private prefix and HOME. The HOME's
# .asoundrc gives ALSA a null default PCM, without which Wine's winmm shows no
# mixer device at all.
set -e
base=${MIXER_WINE_BASE:-${TMPDIR:-/tmp}/mixer-wine-$(id -u)}
mkdir -p "$base/home"
printf 'pcm.!default { type null }\n' > "$base/home/.asoundrc"
HOME="$base/home"
WINEPREFIX="$base/prefix"
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec wine "$@"
