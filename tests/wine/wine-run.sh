#!/bin/sh
# Runs a Windows program under Wine in a private prefix and HOME. The HOME's
# .asoundrc gives ALSA a null default PCM, without which Wine's winmm shows no
# mixer device at all.
#
# Wine's own messages are off (WINEDEBUG=-all), the loader's too: a program
# whose DLL is missing just ends with status 53, the low byte of
# STATUS_DLL_NOT_FOUND (0xc0000135). This script then names the DLL that the
# loader could not find.
#
# MIXER_WINE_NO_PCM=1 leaves the .asoundrc empty: a machine without a sound
# card that nobody set up, where Wine shows no mixer device (give such runs a
# MIXER_WINE_BASE of their own).
#
# MIXER_WINE_SECOND_OUTPUT=1 adds a second null PCM, "null2", and offers it to
# Wine's ALSA driver (HKCU\Software\Wine\Drivers\winealsa.drv,
# ALSAOutputDevices): Wine then lists the mixers "Out: default", "Out: null2"
# and "In: default". MIXER_WINE_SECOND_OUTPUT_NAME names the PCM otherwise
# (UTF-8; Wine names the mixer "Out: NAME"). Give such runs a MIXER_WINE_BASE
# of their own, so that programs running beside them keep the one output.
set -e
base=${MIXER_WINE_BASE:-${TMPDIR:-/tmp}/mixer-wine-$(id -u)}
mkdir -p "$base/home"
if [ -n "$MIXER_WINE_NO_PCM" ]; then
    : > "$base/home/.asoundrc"
else
    printf 'pcm.!default { type null }\n' > "$base/home/.asoundrc"
fi
if [ -n "$MIXER_WINE_SECOND_OUTPUT" ]; then
    printf 'pcm."%s" { type null hint { show on description "Second null output" } }\n' \
        "${MIXER_WINE_SECOND_OUTPUT_NAME:-null2}" >> "$base/home/.asoundrc"
fi
HOME="$base/home"
WINEPREFIX="$base/prefix"
WINEDEBUG=${WINEDEBUG:--all}
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
if [ -n "$MIXER_WINE_SECOND_OUTPUT" ] && [ ! -e "$base/second-output" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers\winealsa.drv' /v ALSAOutputDevices /t REG_MULTI_SZ \
        /d "${MIXER_WINE_SECOND_OUTPUT_NAME:-null2}" /f >/dev/null
    touch "$base/second-output"
fi

# The DLLs a PE file imports, one name a line (empty when it cannot be read).
imported_dlls() {
    i686-w64-mingw32-objdump -p "$1" 2>/dev/null | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# Where the loader looks, in the order it looks: beside the program, the
# current directory, Wine's system folders.
find_dll() {
    for dir in "$2" "$PWD" "$WINEPREFIX/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows"; do
        found=$(find "$dir" -maxdepth 1 -iname "$1" -print 2>/dev/null | head -n 1)
        if [ -n "$found" ]; then
            echo "$found"
            return 0
        fi
    done
    return 1
}

# Names every DLL that the program, or a DLL it loads, imports and the loader
# cannot find. Prints nothing when all are there.
missing_dlls() {
    command -v i686-w64-mingw32-objdump >/dev/null 2>&1 || return 0
    program=$1
    [ -f "$program" ] || program="$program.exe"
    [ -f "$program" ] || return 0
    dir=$(dirname "$program")
    nl='
'
    seen=" "
    todo="$program$nl"
    while [ -n "$todo" ]; do
        current=${todo%%"$nl"*}
        todo=${todo#*"$nl"}
        for dll in $(imported_dlls "$current"); do
            key=$(echo "$dll" | tr '[:lower:]' '[:upper:]')
            case "$seen" in *" $key "*) continue ;; esac
            seen="$seen$key "
            if path=$(find_dll "$dll" "$dir"); then
                # The system folders hold Wine's own DLLs; any other DLL has
                # imports of its own to find.
                case "$path" in "$WINEPREFIX"/*) ;; *) todo="$todo$path$nl" ;; esac
            else
                echo "$dll"
            fi
        done
    done
}

status=0
wine "$@" || status=$?
if [ "$status" -eq 53 ]; then
    missing=$(missing_dlls "$1" | tr '\n' ' ')
    if [ -n "$missing" ]; then
        echo "wine-run.sh: $1 did not start: the Windows loader cannot find ${missing% } (looked beside the program, in the current directory and in Wine's system folders); status 53 is STATUS_DLL_NOT_FOUND (0xc0000135)" >&2
    else
        echo "wine-run.sh: $1 ended with status 53, which is also what Wine gives when the loader cannot find a DLL (STATUS_DLL_NOT_FOUND); WINEDEBUG=err+module shows the loader's messages" >&2
    fi
fi
exit "$status"
