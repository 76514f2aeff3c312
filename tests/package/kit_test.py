#!/usr/bin/env python3
"""The host developer's kit as a host developer receives it.

  archive ZIP DIST WINE_RUN WORK
      Unpacks the release archive ZIP into WORK and checks it against the
      build's kit folder DIST (same files, same bytes, one top folder,
      sorted entries, one date). Then, inside the unpacked kit only:
        - runs every command of its README.txt (lines "    $ ..."), in order,
          as written, with Wine itself in a new prefix and a HOME of its own
          without .asoundrc (a fresh machine without a sound card); each must
          succeed, and none may meet ALSA without a PCM. They check SHA256SUMS,
          build the mingw C host, the MSVC-target C++ host, the run-time
          loading host and the range example, and make the import libraries
          anew from MIXER.def;
        - links the C host and the C++ host with the import libraries made
          from MIXER.def and runs them; with a library made without -k the
          host must stop at its first call of MIXER.DLL;
        - saves the settings with mixerctl.exe and compares the file with
          the layout REFERENCE.txt documents.
  readme README DIST SOURCE WINE_RUN WORK
      Runs the commands of the top-level README (lines "    $ ...") the way
      a fresh checkout runs them after scripts/main.sh: in WORK, holding
      the files they name from SOURCE and the kit as dist/.
"""
import os
import re
import shutil
import subprocess
import sys
import zipfile

COMMAND = re.compile(r"^    \$ (.+)$")
MINGW = "/usr/i686-w64-mingw32"
STATUS_DLL_NOT_FOUND = 0x35  # 0xc0000135, as Wine's exit status


class Run:
    def __init__(self):
        self.failures = []

    def fail(self, text):
        print("FAIL:", text)
        self.failures.append(text)

    def check(self, ok, text):
        if not ok:
            self.fail(text)
        return ok

    def sh(self, command, cwd, expect=0, show=40, env=None):
        print("$ " + command, flush=True)
        done = subprocess.run(["sh", "-c", command], cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=300, env=env)
        out = done.stdout.decode("utf-8", "replace")
        lines = out.rstrip("\n").split("\n") if out else []
        for line in lines[:show]:
            print("  " + line)
        if len(lines) > show:
            print("  (%d more lines)" % (len(lines) - show))
        if expect is None:
            self.check(done.returncode != 0, "%r succeeded, want a failure" % command)
        else:
            self.check(done.returncode == expect,
                       "%r ended with status %d, want %d" % (command, done.returncode, expect))
        return out


def commands(path):
    with open(path, encoding="utf-8") as f:
        return [m.group(1) for m in map(COMMAND.match, f.read().splitlines()) if m]


def check_archive(run, zip_path, dist, work):
    name = os.path.basename(zip_path)[:-len(".zip")]
    with zipfile.ZipFile(zip_path) as z:
        infos = z.infolist()
        entries = [i.filename for i in infos]
        run.check(entries == sorted(entries), "the archive's entries are not in sorted order")
        run.check(all(e.startswith(name + "/") for e in entries), "not every entry lies in %s/" % name)
        dates = {i.date_time for i in infos}
        run.check(len(dates) == 1, "the entries carry %d different dates" % len(dates))
        z.extractall(work)
    kit = os.path.join(work, name)
    in_zip = sorted(e[len(name) + 1:] for e in entries)
    in_dist = sorted(os.path.relpath(os.path.join(r, f), dist).replace(os.sep, "/")
                     for r, _, fs in os.walk(dist) for f in fs)
    print("%s: %d files: %s" % (name, len(in_zip), ", ".join(in_zip)))
    run.check(in_zip == in_dist, "the archive holds %s, the kit folder %s" % (in_zip, in_dist))
    for rel in set(in_zip) & set(in_dist):
        with open(os.path.join(kit, rel), "rb") as a, open(os.path.join(dist, rel), "rb") as b:
            run.check(a.read() == b.read(), "%s differs between the archive and the kit folder" % rel)
    for rel in in_zip:
        if rel.lower().endswith((".exe", ".dll")):
            os.chmod(os.path.join(kit, rel), 0o755)
    return kit


def settings_layout(reference):
    """The 45 lines of the settings file as REFERENCE.txt lists them: the
    exact text of a header or empty line, "KEY=" for an entry."""
    rows = []
    with open(reference, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^ +(\d+)  (\[[A-Z ]+\]|\(empty\)|[A-Z]+=)( |$)", line)
            if m and int(m.group(1)) == len(rows) + 1:
                rows.append("" if m.group(2) == "(empty)" else m.group(2))
    return rows


def check_settings_file(run, kit, wine_run):
    layout = settings_layout(os.path.join(kit, "REFERENCE.txt"))
    run.check(len(layout) == 45, "REFERENCE.txt lists %d lines of the settings file, want 45" % len(layout))
    path = os.path.join(kit, "settings.ini")
    run.sh("%s mixerctl.exe save settings.ini" % wine_run, kit)
    if not run.check(os.path.exists(path), "mixerctl.exe save wrote no settings.ini"):
        return
    with open(path, "rb") as f:
        data = f.read()
    run.check(data.endswith(b"\r\n"), "the settings file does not end with CR LF")
    lines = data.split(b"\r\n")[:-1]
    run.check(b"\n" not in b"".join(lines) and b"\r" not in b"".join(lines), "a line end other than CR LF")
    run.check(len(lines) == len(layout), "Save wrote %d lines, REFERENCE.txt lists %d" % (len(lines), len(layout)))
    for number, (got, want) in enumerate(zip(lines, layout), 1):
        text = got.decode("ascii", "replace")
        ok = re.fullmatch(re.escape(want) + r"(0|-?[1-9][0-9]*)", text) if want.endswith("=") else text == want
        run.check(ok, "settings line %d is %r; REFERENCE.txt says %r" % (number, text, want + ("<number>" if want.endswith("=") else "")))
    print("settings.ini: %d lines, %d bytes, as REFERENCE.txt lists them" % (len(lines), len(data)))


def check_def_libraries(run, kit, wine_run):
    """Hosts linked with the import libraries made from MIXER.def (by the
    README's own commands, libmixer-new.dll.a and MIXER-new.lib) start and
    work. One made without -k imports the decorated names, which MIXER.DLL
    does not export: Windows refuses to start the host, Wine starts it with a
    stub in place of the function and stops it at its first call."""
    run.sh("i686-w64-mingw32-gcc -I. examples/example.c libmixer-new.dll.a -o example_def.exe", kit)
    run.sh("%s example_def.exe" % wine_run, kit)
    link = ("lld-link /nologo /subsystem:console /entry:NoCrtStart /nodefaultlib /safeseh:no /out:%s "
            "example_msvc.obj %s " + MINGW + "/lib/libkernel32.a " + MINGW + "/lib/libuser32.a")
    run.sh(link % ("example_msvc_def.exe", "MIXER-new.lib"), kit)
    run.sh("%s example_msvc_def.exe" % wine_run, kit)
    run.sh("llvm-dlltool -m i386 -d MIXER.def -l MIXER-decorated.lib", kit)
    run.sh(link % ("example_msvc_decorated.exe", "MIXER-decorated.lib"), kit)
    out = run.sh("%s example_msvc_decorated.exe" % wine_run, kit, expect=None, show=2)
    run.check("MIXER.DLL.GetPlayMainVolume@0" in out, "the host did not stop at the decorated import")


def archive(zip_path, dist, wine_run, work):
    run = Run()
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    kit = check_archive(run, zip_path, dist, work)
    listed = commands(os.path.join(kit, "README.txt"))
    run.check(len(listed) >= 10, "README.txt shows only %d commands" % len(listed))
    # A fresh machine: Wine's own settings unset, no display, a new prefix.
    fresh = {k: v for k, v in os.environ.items() if not k.startswith("WINE") and k != "DISPLAY"}
    fresh.update(HOME=os.path.join(work, "home"), WINEPREFIX=os.path.join(work, "prefix"))
    os.makedirs(fresh["HOME"])
    for command in listed:
        out = run.sh(command, kit, env=fresh, show=10)
        run.check("ALSA lib" not in out and "Unknown PCM" not in out, "%r met ALSA without a PCM" % command)
    check_def_libraries(run, kit, wine_run)
    check_settings_file(run, kit, wine_run)
    return run


def readme(readme_path, dist, source, wine_run, work):
    """A checkout after scripts/main.sh, as far as the README's commands look:
    the files they name from the sources, dist/ from the build."""
    run = Run()
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copytree(dist, os.path.join(work, "dist"))
    listed = commands(readme_path)
    run.check(len(listed) >= 2, "the README shows only %d commands" % len(listed))
    for command in listed:
        for word in command.split():
            path = word.rstrip(";")
            if "/" in path and not path.startswith("dist/") and os.path.isfile(os.path.join(source, path)):
                os.makedirs(os.path.dirname(os.path.join(work, path)), exist_ok=True)
                shutil.copy2(os.path.join(source, path), os.path.join(work, path))
    for command in listed:
        run.sh(command, work)
    # Without MIXER.DLL beside it the example does not start, and the Wine
    # script says which DLL is missing.
    os.remove(os.path.join(work, "dist", "MIXER.DLL"))
    exe = [w for c in listed for w in c.split() if w.endswith(".exe")]
    if run.check(bool(exe), "the README's commands run no program"):
        out = run.sh("%s %s" % (wine_run, exe[-1]), work, expect=STATUS_DLL_NOT_FOUND)
        run.check("cannot find MIXER.DLL" in out, "wine-run.sh did not name the missing MIXER.DLL")
    return run


def main(argv):
    if len(argv) == 6 and argv[1] == "archive":
        run = archive(*argv[2:])
    elif len(argv) == 7 and argv[1] == "readme":
        run = readme(*argv[2:])
    else:
        sys.stderr.write(__doc__)
        return 2
    print("FAILED: %d" % len(run.failures) if run.failures else "passed")
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
