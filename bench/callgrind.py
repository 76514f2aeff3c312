#!/usr/bin/env python3
"""Instructions per export call, split into the library's own and the
simulated platform's, with valgrind's callgrind.

For each export, `bench_calls run NAME N` makes N calls through bench_one(),
and callgrind collects only inside it (--toggle-collect=bench_one). The total
is every instruction executed inside the export call. The platform's share
is the inclusive cost of every call from outside the platform into one of
the Win32 functions the simulated platform provides (their names are read
from win32_api.h); the library's own share is the rest: its code and the C
library routines it calls (memset and the like).

Usage: callgrind.py --bin build/.../bench_calls [--calls N] [--only NAME ...]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
API_HEADER = os.path.join(HERE, "..", "src", "platform", "sim", "win32_api.h")
# Exports that make hundreds of requests a call run fewer times.
HEAVY = {"Save": 10, "Set": 10}


def api_names(header):
    names = set()
    with open(header) as f:
        for m in re.finditer(r"\bWINAPI\s+(\w+)\s*\(", f.read()):
            names.add(m.group(1))
    return names


def parse(path, api):
    """Returns (total Ir, Ir spent in platform functions called from outside the platform)."""
    names = {}
    total = None
    platform = 0
    fn = None
    cfn = None
    pending_call = False

    def name_of(value):
        m = re.match(r"\((\d+)\)(?:\s+(.*))?$", value)
        if not m:
            return value
        if m.group(2) is not None:
            names[m.group(1)] = m.group(2)
        return names.get(m.group(1), "?")

    def bare(name):
        return name.split("(")[0].strip()

    def in_platform(name):
        n = bare(name)
        return n in api or n.startswith("sim::")

    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("summary:") or line.startswith("totals:"):
                total = int(line.split()[1])
            elif line.startswith("fn="):
                fn = name_of(line[3:])
            elif line.startswith("cfn="):
                cfn = name_of(line[4:])
            elif line.startswith("calls="):
                pending_call = True
            elif pending_call and line and (line[0].isdigit() or line[0] in "+-*"):
                pending_call = False
                cost = int(line.split()[1]) if len(line.split()) > 1 else 0
                if bare(cfn) in api and not in_platform(fn):
                    platform += cost
    return total, platform


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin", required=True, help="the native bench_calls program")
    ap.add_argument("--calls", type=int, default=200, help="calls per export (Save and Set: 10)")
    ap.add_argument("--only", nargs="*", help="these exports only")
    ap.add_argument("--keep", help="keep the callgrind output files in this directory")
    args = ap.parse_args()

    api = api_names(API_HEADER)
    exports = subprocess.run([args.bin, "list"], check=True, capture_output=True, text=True).stdout.split()
    if args.only:
        exports = [e for e in exports if e in args.only]
    outdir = args.keep or tempfile.mkdtemp(prefix="mixer-callgrind-")
    os.makedirs(outdir, exist_ok=True)

    rows = []
    for name in exports:
        n = min(args.calls, HEAVY.get(name, args.calls))
        out = os.path.join(outdir, "callgrind.%s.out" % name)
        run = subprocess.run(["valgrind", "--tool=callgrind", "--toggle-collect=bench_one",
                              "--callgrind-out-file=" + out, args.bin, "run", name, str(n)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            sys.stderr.write(run.stderr)
            sys.exit("callgrind failed for %s" % name)
        info = dict(kv.split("=") for kv in run.stdout.split() if "=" in kv)
        total, platform = parse(out, api)
        rows.append((name, int(info["platform_calls"]), int(info["mixer_requests"]),
                     total / n, (total - platform) / n, platform / n))
        if not args.keep:
            os.remove(out)
    if not args.keep:
        os.rmdir(outdir)

    print("| Export | platform calls | mixer requests | instructions | library's own | platform's | own share |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for name, calls, mixer, total, own, plat in rows:
        print("| %s | %d | %d | %.0f | %.0f | %.0f | %.1f%% |" % (name, calls, mixer, total, own, plat,
                                                                 100.0 * own / total if total else 0))


if __name__ == "__main__":
    main()
