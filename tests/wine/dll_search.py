#!/usr/bin/env python3
"""Where the programs that load MIXER.DLL at run time take it from, under
Wine: mixerctl.exe (tools/common's MixerDll, which mixerpanel.exe shares) and
the kit's example_load.exe. A MIXER.DLL in the current directory or on PATH
is never loaded; the one beside the program is, and so is a file --dll names
by path.

Usage: dll_search.py WINE_RUN MIXERCTL_EXE EXAMPLE_LOAD_EXE MIXER_DLL WORK"""
import os
import re
import shutil
import subprocess
import sys


def main():
    wine_run, mixerctl, example_load, dll, work = sys.argv[1:6]
    shutil.rmtree(work, ignore_errors=True)
    # lonely/: the programs without a library; beside/: the programs with
    # one; planted/: a library alone, the current directory of every run.
    dirs = {name: os.path.join(work, name) for name in ("lonely", "beside", "planted")}
    for name, path in dirs.items():
        os.makedirs(path)
        if name != "planted":
            shutil.copy(mixerctl, path)
            shutil.copy(example_load, path)
        if name != "lonely":
            shutil.copy(dll, os.path.join(path, "MIXER.DLL"))

    def winepath(path):
        # Wine's drive Z: is the root of the Unix file system.
        return "Z:" + os.path.abspath(path).replace("/", "\\")

    planted_w = re.escape(winepath(dirs["planted"]))
    beside_w = re.escape(winepath(dirs["beside"]))
    lonely_w = re.escape(winepath(dirs["lonely"]))
    version_line = r"MIXER\.DLL [0-9.]+ \(%s\\MIXER\.DLL\)\n"
    not_found = r"^mixerctl: cannot load %s: not found at %s\\MIXER\.DLL; put %s beside mixerctl\.exe or name it with --dll FILE\n$"
    # (what, program folder, arguments, extra environment, status, stdout
    # pattern, stderr pattern)
    cases = [
        ("mixerctl.exe without its library, one in the current directory", "lonely",
         ["mixerctl.exe", "--version"], {}, 1, r"^$", not_found % ("MIXER\\.DLL", lonely_w, "MIXER\\.DLL")),
        ("mixerctl.exe without its library, one on PATH", "lonely",
         ["mixerctl.exe", "--version"], {"WINEPATH": winepath(dirs["planted"])}, 1, r"^$",
         not_found % ("MIXER\\.DLL", lonely_w, "MIXER\\.DLL")),
        ("mixerctl.exe with its library and one in the current directory", "beside",
         ["mixerctl.exe", "--version"], {}, 0, version_line % beside_w, r"^$"),
        ("--dll with a bare name: the program's folder", "lonely",
         ["mixerctl.exe", "--dll", "MIXER.DLL", "--version"], {}, 1, r"^$",
         not_found % ("MIXER\\.DLL", lonely_w, "MIXER\\.DLL")),
        ("--dll with a relative path: from the current directory", "lonely",
         ["mixerctl.exe", "--dll", ".\\MIXER.DLL", "--version"], {}, 0, version_line % planted_w, r"^$"),
        ("example_load.exe without its library, one in the current directory", "lonely",
         ["example_load.exe"], {}, 1, r"^MIXER\.DLL not found beside the program \(error \d+\)\n$", r"^$"),
        ("example_load.exe with its library", "beside",
         ["example_load.exe"], {}, 0, r"^91 functions found; main volume \d+, mute [01]\n$", r"^$"),
    ]
    failures = 0
    for what, folder, argv, env, status, out_re, err_re in cases:
        program = os.path.join(dirs[folder], argv[0])
        p = subprocess.run([wine_run, program] + argv[1:], cwd=dirs["planted"], capture_output=True, timeout=120,
                           env=dict(os.environ, **env))
        out = p.stdout.decode("latin-1").replace("\r\n", "\n")
        err = p.stderr.decode("latin-1").replace("\r\n", "\n")
        if p.returncode != status or not re.search(out_re, out) or not re.search(err_re, err):
            failures += 1
            print("FAIL %s: status %d (want %d), stdout %r, stderr %r" % (what, p.returncode, status, out, err))
    print("%d cases of where MIXER.DLL is taken from, %d failed" % (len(cases), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
