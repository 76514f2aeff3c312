#!/usr/bin/env python3
"""Differential test of mixerctl: runs each script with the native mixerctl on
the Wine card (tests/cards/wine.json, a simulated card modelling
Wine's mixer) and with mixerctl.exe
under Wine, then compares the two transcripts command by command and the
settings files both saved. Every difference must be listed in
expected-differences.txt, and every listed difference must still occur.
Each script runs in a process of its own, from a state of its own."""
import argparse
import glob
import os
import shutil
import subprocess
import sys

# Script -> the settings files it saves.
SCRIPTS = {"script.txt": ["settings.ini"], "values.txt": []}


def read_expected(path):
    entries = []
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        parts = [p.strip() for p in line.split("|")]
        if len(parts) != 3:
            sys.exit("%s:%d: want COMMAND | NATIVE LINE | WINE LINE" % (path, number))
        entries.append({"key": tuple(parts), "where": "%s:%d" % (path, number), "seen": 0})
    return entries


def blocks(text):
    """The transcript as [(command, [output lines])], cut at the '> ' echoes."""
    out = []
    for line in text.replace("\r\n", "\n").split("\n"):
        if line.startswith("> "):
            out.append((line[2:], []))
        elif out:
            out[-1][1].append(line)
        elif line:
            out.append(("(before the first command)", [line]))
    while out and out[-1][1] and out[-1][1][-1] == "":
        out[-1][1].pop()
    return out


def run(cmd, cwd):
    p = subprocess.run(cmd, cwd=cwd, capture_output=True, timeout=300)
    return p.returncode, p.stdout.decode("latin-1"), p.stderr.decode("latin-1")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--native", required=True, help="the native mixerctl")
    ap.add_argument("--exe", required=True, help="mixerctl.exe, beside MIXER.DLL")
    ap.add_argument("--wine-run", required=True, help="tests/wine/wine-run.sh")
    ap.add_argument("--card", required=True, help="the card modelling Wine's mixer, for the native mixerctl")
    ap.add_argument("--dir", required=True, help="this folder: scripts, settings files, expected differences")
    ap.add_argument("--work", required=True, help="a scratch folder")
    a = ap.parse_args()

    if not os.access(a.native, os.X_OK):
        sys.exit("native mixerctl not found at %s: build the native preset first "
                 "(scripts/test.sh does) or set MIXERCTL_NATIVE" % a.native)
    expected = read_expected(os.path.join(a.dir, "expected-differences.txt"))
    fixtures = glob.glob(os.path.join(a.dir, "*.ini"))
    failures = []

    def differ(command, native_line, wine_line):
        key = (command, native_line, wine_line)
        for e in expected:
            if e["key"] == key:
                e["seen"] += 1
                return
        failures.append("%s\n    native: %s\n    wine:   %s" % (command, native_line, wine_line))

    def compare_lines(command, nat, win):
        for i in range(max(len(nat), len(win))):
            n = nat[i] if i < len(nat) else "(nothing)"
            w = win[i] if i < len(win) else "(nothing)"
            if n != w:
                differ(command, n, w)

    commands = 0
    works = []
    for script, settings_files in SCRIPTS.items():
        sides = {}
        for side in ("native", "wine"):
            work = os.path.join(a.work, os.path.splitext(script)[0], side)
            works.append(work)
            shutil.rmtree(work, ignore_errors=True)
            os.makedirs(work)
            shutil.copy(os.path.join(a.dir, script), work)
            for fixture in fixtures:
                shutil.copy(fixture, work)
            if side == "native":
                cmd = [os.path.abspath(a.native), "--card", os.path.abspath(a.card)]
            else:
                cmd = [os.path.abspath(a.wine_run), os.path.abspath(a.exe)]
            cmd += ["--echo", "script", "--keep-going", script]
            status, out, err = run(cmd, work)
            sides[side] = {"status": status, "blocks": blocks(out), "work": work}
            with open(os.path.join(work, "stdout.txt"), "w", encoding="latin-1") as f:
                f.write(out)
            with open(os.path.join(work, "stderr.txt"), "w", encoding="latin-1") as f:
                f.write(err)

        nb, wb = sides["native"]["blocks"], sides["wine"]["blocks"]
        commands += len(nb)
        if [c for c, _ in nb] != [c for c, _ in wb]:
            failures.append("%s: the two runs did not run the same commands:\n    native: %s\n    wine:   %s"
                            % (script, [c for c, _ in nb], [c for c, _ in wb]))
        else:
            for (command, nat), (_, win) in zip(nb, wb):
                compare_lines(command, nat, win)
        for name in settings_files:
            texts = []
            for side in ("native", "wine"):
                path = os.path.join(sides[side]["work"], name)
                texts.append(open(path, "rb").read().decode("latin-1").split("\n") if os.path.exists(path) else ["(no file)"])
            compare_lines("file " + name, texts[0], texts[1])
        if sides["native"]["status"] != sides["wine"]["status"]:
            differ("exit status of " + script, str(sides["native"]["status"]), str(sides["wine"]["status"]))
    for e in expected:
        if not e["seen"]:
            failures.append("%s: listed difference no longer occurs (mended? remove the entry): %s"
                            % (e["where"], " | ".join(e["key"])))

    print("compared %d commands of %d scripts and %d settings file(s); %d listed difference(s) seen"
          % (commands, len(SCRIPTS), sum(len(f) for f in SCRIPTS.values()), sum(1 for e in expected if e["seen"])))
    if failures:
        print("transcripts: %s" % ", ".join(works))
        for f in failures:
            print("DIFFERENCE " + f)
        return 1
    print("native mixerctl on %s and mixerctl.exe under Wine agree" % os.path.basename(a.card))
    return 0


if __name__ == "__main__":
    sys.exit(main())
