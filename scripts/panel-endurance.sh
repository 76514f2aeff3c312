#!/bin/sh
# The mixer panel's endurance run: mixerpanel.exe under Wine in an X server
# of its own (Xvfb), meters polled 20 times a second, the main fader moved
# every second for SECONDS (default 1800), the controls checked again at the
# end; the process's handles and heap may not have grown. Also measures the
# panel's CPU share of one core while it sits idle with meters running.
#   scripts/panel-endurance.sh [SECONDS]
# The test command runs one minute of it (ctest: mixerpanel_endurance_1min);
# BENCHMARKS.md has the figures of a 30-minute run.
set -e
cd "$(dirname "$0")/.."
seconds=${1:-1800}
case $seconds in ''|*[!0-9]*) echo "usage: scripts/panel-endurance.sh [SECONDS]" >&2; exit 2 ;; esac
scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target mixerpanel panel_driver
work=${TMPDIR:-/tmp}/mixer-panel-endurance-$(id -u)
rm -rf "$work"
mkdir -p "$work"
echo "== machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
python3 tools/mixerpanel/tests/panel_run.py --bin build/win32 --wine-run tests/wine/wine-run.sh \
    --work "$work" --endurance "$seconds" --idle 60
