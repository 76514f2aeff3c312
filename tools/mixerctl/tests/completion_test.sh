#!/bin/bash
# The bash completion, driven as bash drives it: completion_test.sh
# COMPLETION_FILE MIXERCTL. Prints each case that completes otherwise than
# expected and fails then.
set -u
# shellcheck source=/dev/null
source "$1"
prog=$2
status=0

# expect WANT WORD... : completing the last WORD after "mixerctl WORD..."
# offers WANT (sorted, space-separated).
expect() {
    local want=$1
    shift
    COMP_WORDS=("$prog" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _mixerctl
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $got != "$want" ]]; then
        echo "FAIL: mixerctl $* -> '$got', want '$want'"
        status=1
    fi
}

expect "save script set sources" s
expect "--card" --ca
expect "--card --dll --echo --help --quiet --state --trace --version" --card x.json --
expect "get" --card x.json g
expect "play.main.mute play.main.volume" get play.main.
expect "play.main.balance play.main.mute play.main.volume" set play.main.
expect "0 1 mute off on toggle unmute" set play.main.mute ""
expect "toggle" set play.main.mute t
expect "+5% -5% 0% 100% 25% 50% 75%" set play.linein.volume ""
expect "off on" set mic.boost o
expect "rec.cd.select" set rec.cd.s
expect "rec.cd.select" set rec.cd.select rec.cd.s
expect "play.cd.mute" set play.cd.volume 5% play.cd.m
expect "cd.digital" get cd.d
expect "set" get play.main.volume -- se
expect "sources" get play.main.volume ";" so
expect "sources" get play.main.volume\; so
expect "GetPlayMainMute GetPlayMainVolume GetPlayMicMute GetPlayMicVolume" call GetPlayM
expect "SetMixer" call --json SetMix
expect "" call SetMixer 4
expect "play" cd pl
expect "speakers" peak sp
expect "paths" help pa
expect "--keep-going" script --k
exit $status
