#!/usr/bin/env python3
"""mixerctl.exe under Wine as a shell runs it: without MIXER.DLL beside it,
--version from the DLL's version resource, a full standard output, a --dll
that names nothing. Usage: wine_cli.py WINE_RUN MIXERCTL_EXE VERSION WORK"""
import os
import re
import shutil
import subprocess
import sys


def main():
    wine_run, exe, version, work = sys.argv[1:5]
    failures = []

    def run(args, stdout=subprocess.PIPE, cwd=None):
        p = subprocess.run([wine_run] + args, stdout=stdout, stderr=subprocess.PIPE, cwd=cwd, timeout=120)
        out = p.stdout.decode("latin-1") if p.stdout is not None else ""
        return p.returncode, out.replace("\r\n", "\n"), p.stderr.decode("latin-1").replace("\r\n", "\n")

    def check(what, ok, detail):
        if not ok:
            failures.append("%s: %s" % (what, detail))

    # Alone in a directory: one line on standard error naming the file and
    # where it was looked for, nothing on standard output.
    lonely = os.path.join(work, "no-dll")
    shutil.rmtree(lonely, ignore_errors=True)
    os.makedirs(lonely)
    shutil.copy(exe, lonely)
    status, out, err = run([os.path.join(lonely, "mixerctl.exe"), "get", "play.main.volume"], cwd=lonely)
    check("without the DLL", status == 1 and out == "" and err.count("\n") == 1 and
          re.match(r"mixerctl: cannot load MIXER\.DLL: not found in the program's directory \(.*no-dll\), "
                   r"the system directories \(.+\), the current directory \(.+\) or the directories on PATH; "
                   r"put MIXER\.DLL beside mixerctl\.exe or name it with --dll FILE\n$", err) is not None,
          "status %d, stdout %r, stderr %r" % (status, out, err))
    # list reads winmm alone: it works without the DLL, and names the mixers
    # the library would use (Wine's recording endpoint, "In: default").
    status, out, err = run([os.path.join(lonely, "mixerctl.exe"), "list"], cwd=lonely)
    check("list without the DLL", status == 0 and out.startswith('library: playback on mixer device 0 "Out: default"\n')
          and '\n  mixer device 1 "In: default" (wave-in device 0, preferred)\ndevice 0 ' in out,
          "status %d, stdout %r, stderr %r" % (status, out, err))

    status, out, err = run([exe, "--dll", "C:\\no\\such.dll", "get", "play.main.volume"])
    check("--dll naming nothing", status == 1 and out == "" and
          re.match(r"mixerctl: cannot load C:\\no\\such\.dll: .+\n$", err) is not None,
          "status %d, stdout %r, stderr %r" % (status, out, err))

    status, out, err = run([exe, "--version"])
    check("--version", status == 0 and err == "" and
          re.match(r"mixerctl %s\nMIXER\.DLL %s\.0 \(.*\\MIXER\.DLL\)\n$" % (re.escape(version), re.escape(version)), out)
          is not None, "status %d, stdout %r, stderr %r" % (status, out, err))

    with open("/dev/full", "w") as full:
        status, _, err = run([exe, "get", "play.main.volume"], stdout=full)
    check("a full standard output", status == 1 and err == "mixerctl: cannot write standard output: No space left on device\n",
          "status %d, stderr %r" % (status, err))

    # --trace: the library's lines of each command on standard error, the
    # device-0 requests among them; standard output as without it.
    status, out, err = run([exe, "--trace", "get", "play.main.volume", "--", "get", "play.main.mute"])
    _, plain, _ = run([exe, "get", "play.main.volume", "--", "get", "play.main.mute"])
    lines = err.splitlines()
    check("--trace", status == 0 and out == plain and len(lines) == 2 and
          re.match(r"MIXER\[\d+\] GetPlayMainVolume\(\) = \d+ \| mixerGetNumDevs\(\) = \d+ \| "
                   r"mixerOpen\(device 0\) = MMSYSERR_NOERROR, handle 0x[0-9A-F]+ \| ", lines[0]) is not None and
          lines[1].startswith("MIXER[") and " GetPlayMainMute() = " in lines[1],
          "status %d, stdout %r, stderr %r" % (status, out, err))

    for f in failures:
        print("FAIL " + f)
    print("%d checks of mixerctl.exe under Wine, %d failed" % (5, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
