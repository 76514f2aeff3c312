#!/bin/sh
# Runs a program built with ThreadSanitizer. Under some kernels' address-space
# randomisation ThreadSanitizer cannot map its shadow memory and stops at once
# ("unexpected memory mapping"); the program then runs again with the
# randomisation turned off for it.
out=$("$@" 2>&1)
rc=$?
case $out in
*"unexpected memory mapping"*) exec setarch "$(uname -m)" -R "$@" ;;
esac
printf '%s\n' "$out"
exit $rc
