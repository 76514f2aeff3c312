#!/usr/bin/env python3
"""Two clean builds of the same sources give the same release archive.

  reproducible.py SOURCE ZIP WORK

Copies the sources in SOURCE (the files git knows of, tracked or not, else
everything but build/ and dist/) to WORK/src, a path of a different length,
builds the win32 preset's release archive there into WORK/build from
nothing, and compares it byte for byte with ZIP, the archive of the build
under test. On a difference it names the files of the archive that differ.
WORK is removed when the archives agree."""
import os
import shutil
import subprocess
import sys
import time
import zipfile


def source_files(source):
    try:
        out = subprocess.run(["git", "-C", source, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
                             check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        return [f for f in out.decode().split("\0") if f and os.path.isfile(os.path.join(source, f))]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for root, dirs, names in os.walk(source):
            rel = os.path.relpath(root, source)
            if rel == ".":
                dirs[:] = [d for d in dirs if d not in ("build", "dist", ".git")]
            files += [os.path.normpath(os.path.join(rel, n)) for n in names]
        return files


def differences(a, b):
    with zipfile.ZipFile(a) as za, zipfile.ZipFile(b) as zb:
        names = sorted(set(za.namelist()) | set(zb.namelist()))
        out = []
        for n in names:
            if n not in za.namelist() or n not in zb.namelist():
                out.append("%s is in one archive only" % n)
            elif za.read(n) != zb.read(n):
                out.append("%s differs" % n)
            elif za.getinfo(n).date_time != zb.getinfo(n).date_time:
                out.append("%s has another date" % n)
        return out or ["the entries agree; the archives' own bytes differ"]


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    source, reference, work = argv[1:]
    started = time.monotonic()
    shutil.rmtree(work, ignore_errors=True)
    copy = os.path.join(work, "src-of-a-second-build")
    for rel in source_files(source):
        os.makedirs(os.path.join(copy, os.path.dirname(rel)), exist_ok=True)
        shutil.copy2(os.path.join(source, rel), os.path.join(copy, rel))
    build = os.path.join(work, "build")
    steps = [["cmake", "--preset", "win32", "-B", build],
             ["cmake", "--build", build, "--target", "release", "-j", "2"]]
    for step in steps:
        done = subprocess.run(step, cwd=copy, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            print(done.stdout.decode("utf-8", "replace"))
            print("FAIL: %s ended with status %d" % (" ".join(step), done.returncode))
            return 1
    second = os.path.join(build, os.path.basename(reference))
    with open(reference, "rb") as f, open(second, "rb") as g:
        first_bytes, second_bytes = f.read(), g.read()
    seconds = time.monotonic() - started
    if first_bytes != second_bytes:
        for d in differences(reference, second):
            print("FAIL:", d)
        print("the archives differ: %s and %s (%.0f s)" % (reference, second, seconds))
        return 1
    print("%s: %d bytes, the same from a second clean build of a copy of the sources at %s (%.0f s)" %
          (os.path.basename(reference), len(first_bytes), copy, seconds))
    shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
