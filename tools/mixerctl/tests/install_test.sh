#!/bin/bash
# cmake --install of the native build into an empty prefix, as a user runs
# it: install_test.sh BUILD_DIR WORK VERSION RELEASE_DATE. The prefix must
# then hold mixerctl, its manual page and its bash completion and nothing
# else; the program runs from there, the page carries the release's date and
# version, and the completion registers for mixerctl and mixerctl.exe.
set -u
build=$1 work=$2 version=$3 date=$4
prefix=$work/prefix
status=0
fail() {
    echo "FAIL: $*"
    status=1
}
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

want="bin/mixerctl
share/bash-completion/completions/mixerctl
share/man/man1/mixerctl.1"
got=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[[ $got == "$want" ]] || fail "the prefix holds '$got', want '$want'"

ctl=$prefix/bin/mixerctl
[[ -x $ctl ]] || fail "bin/mixerctl is not executable"
# From a directory of its own, with nothing of the build tree around.
out=$(cd "$work" && "$ctl" --version 2>&1)
[[ $out == "mixerctl $version"* ]] || fail "mixerctl --version printed '$out'"
out=$(cd "$work" && "$ctl" list 2>&1) || fail "mixerctl list failed: $out"
[[ $out == *"device 0 \""* ]] || fail "mixerctl list printed '$out'"

page=$prefix/share/man/man1/mixerctl.1
head -n 1 "$page" | grep -qxF ".TH MIXERCTL 1 \"$date\" \"MIXER $version\" \"User Commands\"" ||
    fail "the manual page's header is '$(head -n 1 "$page")'"
grep -qE '@[A-Z_]+@' "$page" && fail "the manual page keeps a template marker"

completion=$prefix/share/bash-completion/completions/mixerctl
for command in mixerctl mixerctl.exe; do
    bash -c 'source "$1" && complete -p "$2"' _ "$completion" "$command" >/dev/null 2>&1 ||
        fail "the completion does not register for $command"
done
exit $status
