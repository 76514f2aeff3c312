#!/bin/sh
# Runs a Windows program under Wine in a private prefix and HOME. The HOME's
# .asoundrc gives ALSA a null default PCM, without which Wine's winmm shows no
# mixer device at all.
#
# MIXER_WINE_SECOND_OUTPUT=1 adds a second null PCM, "null2", and offers it to
# Wine's ALSA driver (HKCU\Software\Wine\Drivers\winealsa.drv,
# ALSAOutputDevices): Wine then lists the mixers "Out: default", "Out: null2"
# and "In: default". Give such runs a MIXER_WINE_BASE of their own, so that
# programs running beside them keep the one output.
set -e
base=${MIXER_WINE_BASE:-${TMPDIR:-/tmp}/mixer-wine-$(id -u)}
mkdir -p "$base/home"
printf 'pcm.!default { type null }\n' > "$base/home/.asoundrc"
if [ -n "$MIXER_WINE_SECOND_OUTPUT" ]; then
    printf 'pcm.null2 { type null hint { show on description "Second null output" } }\n' >> "$base/home/.asoundrc"
fi
HOME="$base/home"
WINEPREFIX="$base/prefix"
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ -n "$MIXER_WINE_SECOND_OUTPUT" ] && [ ! -e "$base/second-output" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers\winealsa.drv' /v ALSAOutputDevices /t REG_MULTI_SZ /d null2 /f \
        >/dev/null
    touch "$base/second-output"
fi
exec wine "$@"
