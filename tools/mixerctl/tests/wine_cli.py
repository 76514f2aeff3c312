#!/usr/bin/env python3
"""mixerctl.exe under Wine as a shell runs it: without MIXER.DLL beside it
or ALSA's PCM (one table, with Unix paths and the refusals in words),
--version from the DLL's version resource, a full standard output, a --dll
that names nothing, lines ending in LF alone, what Wine's mixers lack, the
platform report, the note on per-process levels, and names that are not
ASCII. Usage: wine_cli.py WINE_RUN MIXERCTL_EXE VERSION WORK"""
import json
import os
import re
import shutil
import subprocess
import sys


def main():
    wine_run, exe, version, work = sys.argv[1:5]
    failures = []

    def run_raw(args, stdout=subprocess.PIPE, cwd=None, env=None):
        p = subprocess.run([wine_run] + args, stdout=stdout, stderr=subprocess.PIPE, cwd=cwd, timeout=120, env=env)
        err = p.stderr
        # Wine's own service processes (winedevice.exe, started with the
        # prefix's wineserver) share the terminal; under load one of them has
        # been seen to crash in its ntoskrnl.exe while mixerctl.exe ran and
        # exited normally (1 run in 26). A crash of mixerctl.exe itself ends
        # it with the exception's code, which the status checks catch.
        if p.returncode in (0, 1, 2):
            err = b"".join(l for l in err.splitlines(True) if not l.startswith(b"wine: Unhandled page fault"))
        return p.returncode, p.stdout if p.stdout is not None else b"", err

    def run(args, stdout=subprocess.PIPE, cwd=None):
        status, out, err = run_raw(args, stdout, cwd)
        return status, out.decode("latin-1"), err.decode("latin-1")

    def check(what, ok, detail):
        if not ok:
            failures.append("%s: %s" % (what, detail))

    # Wine makes a new prefix at its first run, and says so: made here.
    nopcm = dict(os.environ, MIXER_WINE_NO_PCM="1", MIXER_WINE_BASE=os.environ.get(
        "MIXER_WINE_BASE", "/tmp/mixer-wine-%d" % os.getuid()) + "-nopcm")
    for env in (None, nopcm):
        run_raw([exe, "--version"], env=env)

    # Alone in a directory: one line on standard error naming the file and
    # where it was looked for, nothing on standard output.
    lonely = os.path.join(work, "no-dll")
    shutil.rmtree(lonely, ignore_errors=True)
    os.makedirs(lonely)
    shutil.copy(exe, lonely)
    status, out, err = run([os.path.join(lonely, "mixerctl.exe"), "get", "play.main.volume"], cwd=lonely)
    check("without the DLL", status == 1 and out == "" and err.count("\n") == 1 and
          re.match(r"mixerctl: cannot load MIXER\.DLL: not found at [A-Z]:\\.*\\no-dll\\MIXER\.DLL; "
                   r"put MIXER\.DLL beside mixerctl\.exe or name it with --dll FILE\n$", err) is not None,
          "status %d, stdout %r, stderr %r" % (status, out, err))
    # A machine that is not ready, and the refusals: each case with its exit
    # status and the words a user reads (an exact text, or a pattern). ALSA's
    # own lines about its missing PCM are left out of standard error.
    alone = os.path.join(lonely, "mixerctl.exe")
    not_found = r"mixerctl: (info: )?cannot load MIXER\.DLL: not found at [A-Z]:\\.*\\no-dll\\MIXER\.DLL; put .*\n$"
    no_pcm = ("there is no mixer device: Wine shows mixers only when ALSA has a PCM (with no sound card, put "
              "'pcm.!default { type null }' in ~/.asoundrc; README.txt of the kit, under Wine, explains it)")
    unix = os.path.join(work, "unix path")
    shutil.rmtree(unix, ignore_errors=True)
    os.makedirs(unix)
    with open(os.path.join(unix, "script.txt"), "w") as f:
        f.write("get play.main.mute\n")
    saved = os.path.join(unix, "mixer.ini")
    cases = [
        ("info without the DLL", [alone, "info"], None, 1, re.compile(r"platform: Wine .*\nmixer devices:\n  0 "),
         re.compile(not_found)),
        ("info --json without the DLL", [alone, "info", "--json"], None, 1,
         re.compile(r'(?s)"families": \[\],.*"problem": "cannot load MIXER\.DLL: not found at '), re.compile(not_found)),
        ("list without the DLL", [alone, "list"], None, 1, "", re.compile(not_found)),
        ("info without ALSA's PCM", [exe, "info"], nopcm, 1, re.compile(r"platform: Wine .*\nmixer devices:\n  none\n$"),
         "mixerctl: info: %s\n" % no_pcm),
        ("info --json without ALSA's PCM", [exe, "info", "--json"], nopcm, 1,
         re.compile(r'(?s)"devices": \[\],\n  "families": \[\],.*"problem": "there is no mixer device: Wine shows'),
         "mixerctl: info: %s\n" % no_pcm),
        ("list without ALSA's PCM", [exe, "list"], nopcm, 1, "", "mixerctl: list: %s\n" % no_pcm),
        ("save to a Unix path", [exe, "save", saved], None, 0, "saved mixer settings to %s\n" % saved, ""),
        ("restore from a Unix path", [exe, "restore", saved], None, 0, "restored mixer settings from %s\n" % saved, ""),
        ("script from a Unix path", [exe, "script", os.path.join(unix, "script.txt")], None, 0,
         re.compile(r"play\.main\.mute = [01]\n$"), ""),
        ("a name outside the ANSI code page", [exe, "save", "\u65e5\u672c.ini"], None, 1, "",
         "mixerctl: save: \u65e5\u672c.ini: the name has characters that the ANSI code page (1252) lacks, and the "
         "library takes file names in it: use another name\n"),
        ("a control that keeps nothing", [exe, "get", "play.waveout.volume"], None, 1, "play.waveout.volume = ?\n",
         "mixerctl: get: play.waveout.volume: no value: the mixer keeps none for the volume control of \"Master "
         "Volume\" (a read leaves its buffer as it was; 'list' shows ?)\n"),
        ("-q and the note", [exe, "-q", "set", "play.main.volume", "20%"], None, 0, "", ""),
        ("cd play without a CD open", [exe, "cd", "play", "3"], None, 1, "PlayCD = 3075\n",
         "mixerctl: cd play: MCI error 3075: no CD device is open (the library's own code)\n"),
        ("cd open without a CD device", [exe, "cd", "open"], None, 1, "OpenCD = 266\n",
         re.compile(r"mixerctl: cd open: MCI error 266: \S.*\n$")),
        ("--card twice", [exe, "--card", "a", "--card", "b", "list"], None, 2, "",
         "mixerctl: --card given 2 times: give it once (see 'mixerctl --help')\n"),
        ("/? is help", [exe, "save", "/?"], None, 0, re.compile(r"^usage: mixerctl save FILE\n"), ""),
    ]
    for what, args, env, want_status, want_out, want_err in cases:
        status, raw_out, raw_err = run_raw(args, cwd=lonely if args[0] == alone else None, env=env)
        out = raw_out.decode("utf-8", "replace")
        err = "".join(l for l in raw_err.decode("utf-8", "replace").splitlines(True) if not l.startswith("ALSA lib "))
        ok = status == want_status and all(w.search(g) if hasattr(w, "search") else g == w
                                           for g, w in ((out, want_out), (err, want_err)))
        print("%s %s: status %d, %r" % ("ok  " if ok else "FAIL", what, status, err.strip()))
        check(what, ok, "status %d, stdout %r, stderr %r" % (status, out[:300], err))
    check("the settings file at the Unix path", os.path.isfile(saved), "no %s" % saved)

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

    # Lines end in LF alone, on both streams.
    status, out, err = run_raw([exe, "list", "--", "get", "play.linein.volume"])
    check("LF line ends", status == 1 and out.count(b"\n") > 10 and b"\r" not in out and err.endswith(b"\n")
          and b"\r" not in err, "status %d, stdout %r, stderr %r" % (status, out[:200], err))

    # A --dll that names nothing fails every command, list included: one line.
    status, out, err = run([exe, "--dll", "nosuch.dll", "list"])
    check("--dll naming nothing, list", status == 1 and out == "" and err.count("\n") == 1 and
          err.startswith("mixerctl: cannot load nosuch.dll: "), "status %d, stdout %r, stderr %r" % (status, out, err))

    # What Wine's mixers lack is absent; get without paths lists what they have.
    status, out, err = run([exe, "get", "play.main.volume", "play.linein.volume"])
    check("absent", status == 1 and re.match(r"play\.main\.volume = \d+\nplay\.linein\.volume = absent\n$", out)
          and err == "mixerctl: get: play.linein.volume: absent: mixer device 0 has no src.line line under "
                     "dst.speakers\n", "status %d, stdout %r, stderr %r" % (status, out, err))
    status, out, err = run([exe, "get"])
    check("get without paths", status == 0 and err == "" and "play.main.volume = " in out and "rec.mic.volume = "
          in out and "select" not in out and "absent" not in out, "status %d, stdout %r, stderr %r" % (status, out, err))
    # A selection fails before anything is written: no selector, no note.
    status, out, err = run([exe, "set", "play.main.volume", "20%", "rec.mic.select"])
    check("set rec.mic.select", status == 1 and out == "" and err == "mixerctl: set: rec.mic.select: mixer device 0 "
          "has no wave-in destination, and with it no recording selector\n",
          "status %d, stdout %r, stderr %r" % (status, out, err))

    # Levels set under Wine last as long as the process: said once a run.
    status, out, err = run([exe, "set", "play.main.volume", "20%", "--", "set", "play.main.mute", "0"])
    check("the note on levels", status == 0 and out == "play.main.volume = 13107 (20%)\nplay.main.mute = 0\n" and
          err == "mixerctl: note: under Wine a level set here lasts only as long as the process that set it: the "
                 "next run reads the mixer's own level again\n", "status %d, stdout %r, stderr %r" % (status, out, err))

    # The platform report.
    status, out, err = run([exe, "info", "--json"])
    try:
        report = json.loads(out)
        statuses = {(f["family"], i["name"]): i["status"] for f in report["families"] for i in f["items"]}
        ok = (status == 0 and err == "" and report["platform"]["wine"] and not report["platform"]["simulated"] and
              [d["name"] for d in report["devices"]] == ["Out: default", "In: default"] and
              report["library"]["playback"]["name"] == "Out: default" and
              report["library"]["recording"][0]["name"] == "In: default" and report["perEndpointMixers"] and
              statuses[("selector", "mic")] == "no counterpart" and statuses[("play volumes", "main")] == "present"
              and statuses[("rec volumes", "mic")] == "present" and statuses[("cd", "CD device")] == "absent" and
              any("lasts only as long as the process" in n for n in report["notes"]))
    except (ValueError, KeyError, IndexError, TypeError) as e:
        ok, out = False, "%s: %s" % (e, out)
    check("info --json", ok, "status %d, stdout %r, stderr %r" % (status, out, err))

    # A second output named with letters outside ASCII: Wine gives its name in
    # the ANSI code page (1252), mixerctl prints it in UTF-8; an argument in
    # UTF-8 reaches the library in the ANSI code page: C:\\é\\ is 5 bytes there
    # (6 in UTF-8), and SetSoundCardConfigFilePath gives the length plus one.
    env = dict(os.environ, MIXER_WINE_SECOND_OUTPUT="1", MIXER_WINE_SECOND_OUTPUT_NAME="Entrée", LC_ALL="C.UTF-8",
               MIXER_WINE_BASE=os.environ.get("MIXER_WINE_BASE", "/tmp/mixer-wine-%d" % os.getuid()) + "-entree")
    status, out, err = run_raw([exe, "list", "--all", "--json"], env=env)
    try:
        names = [d["name"] for d in json.loads(out.decode("utf-8"))]
    except ValueError as e:
        names = "not JSON in UTF-8: %s" % e
    check("a name outside ASCII in JSON", status == 0 and names == ["Out: default", "Out: Entrée", "In: default"],
          "status %d, names %r, stderr %r" % (status, names, err))
    status, out, err = run_raw([exe, "list", "--device", "1", "--", "call", "SetSoundCardConfigFilePath",
                                "C:\\é\\"], env=env)
    check("a name outside ASCII in text, and an argument", status == 0 and
          out.startswith('library: playback on mixer device 0 "Out: default"\n'.encode()) and
          '\ndevice 1 "Out: Entrée", 1 destination\n'.encode("utf-8") in out and
          out.endswith(b"\nSetSoundCardConfigFilePath = 6\n"), "status %d, stdout %r, stderr %r" % (status, out, err))

    # --trace: the library's lines of each command on standard error, the
    # device-0 requests among them; standard output as without it.
    status, out, err = run([exe, "--trace", "get", "play.main.volume", "--", "get", "play.main.mute"])
    _, plain, _ = run([exe, "get", "play.main.volume", "--", "get", "play.main.mute"])
    lines = err.splitlines()
    check("--trace", status == 0 and out == plain and len(lines) == 2 and
          re.match(r"MIXER\[\d+\] GetPlayMainVolume\(\) = \d+ \| mixerGetNumDevs\(\) = \d+ \| "
                   r"mixerOpen\(0, 0x0\) = MMSYSERR_NOERROR, handle 0x[0-9a-f]+ \| ", lines[0]) is not None and
          lines[1].startswith("MIXER[") and " GetPlayMainMute() = " in lines[1],
          "status %d, stdout %r, stderr %r" % (status, out, err))

    for f in failures:
        print("FAIL " + f)
    print("%d checks of mixerctl.exe under Wine, %d failed" % (15 + len(cases), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
