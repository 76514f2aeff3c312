#!/usr/bin/env python3
"""Checks of dist/ and of the programs linked against it.

  contents DIST SOURCE_DIR BUILD_DIR DLL IMPORT_DEF FILE...
      dist/ holds the kit's files (FILE..., from cmake/dist.cmake) and
      SHA256SUMS and nothing else; the DLL is the one built, mixer.h and the
      README are the sources' own, mixerctl's manual page and completion the
      ones the build wrote, MIXER.def is the import-library definition; every program is stripped; SHA256SUMS lists every other
      file with its checksum.
  imports EXE DLLNAME NAME...
      EXE imports exactly NAME... from DLLNAME, each by its name (no
      ordinals, no decorated names); the single NAME "ALL" stands for the 91
      names of the export table (mixer.h's lists, read by tools/exports.py).
  readme EXAMPLE DOC...
      each DOC shows EXAMPLE verbatim in a C code block.
  checksum ZIP
      ZIP.sha256 is one line, the archive's checksum and bare name, and
      `sha256sum -c` accepts it in a folder that holds the two alone (as
      dist/ and a download folder do)."""
import filecmp
import hashlib
import os
import sys

def section_names(pe, data):
    """Section names, the long ones ("/4") looked up in the string table."""
    table = pe.FILE_HEADER.PointerToSymbolTable + 18 * pe.FILE_HEADER.NumberOfSymbols
    names = []
    for section in pe.sections:
        name = section.Name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and pe.FILE_HEADER.PointerToSymbolTable:
            start = table + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode("latin-1")
        names.append(name)
    return names


def stripped(path):
    """Why a PE program is not stripped, or None."""
    import pefile
    with open(path, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data, fast_load=True)
    if pe.FILE_HEADER.NumberOfSymbols:
        return "it has %d symbols" % pe.FILE_HEADER.NumberOfSymbols
    debug = [n for n in section_names(pe, data) if n.startswith(".debug")]
    if debug:
        return "it has debug sections " + ", ".join(debug)
    return None


def contents(dist, source, build, dll, import_def, files):
    bad = []
    have = sorted(os.path.relpath(os.path.join(r, f), dist).replace(os.sep, "/")
                  for r, _, fs in os.walk(dist) for f in fs)
    want = sorted(files + ["SHA256SUMS"])
    print("dist/: " + ", ".join(have))
    if have != want:
        bad.append("dist/ holds %s, want %s" % (have, want))
    pairs = [(dll, "MIXER.DLL"), (os.path.join(source, "include", "mixer.h"), "mixer.h"),
             (import_def, "MIXER.def"), (os.path.join(source, "docs", "dist-README.txt"), "README.txt"),
             (os.path.join(build, "tools", "mixerctl", "mixerctl.1"), "mixerctl.1"),
             (os.path.join(build, "tools", "mixerctl", "mixerctl.bash-completion"), "mixerctl.bash-completion")]
    for src, name in pairs:
        target = os.path.join(dist, name)
        if not os.path.exists(target) or not filecmp.cmp(src, target, shallow=False):
            bad.append("dist/%s is not a copy of %s" % (name, src))
    for name in ("MIXER.lib", "libmixer.dll.a"):
        with open(os.path.join(dist, name), "rb") as f:
            if f.read(8) != b"!<arch>\n":
                bad.append("dist/%s is not an archive" % name)
    for name in have:
        if name.lower().endswith(".exe"):
            why = stripped(os.path.join(dist, name))
            if why:
                bad.append("dist/%s is not stripped: %s" % (name, why))
    sums = {}
    with open(os.path.join(dist, "SHA256SUMS")) as f:
        for line in f:
            digest, name = line.rstrip("\n").split("  ", 1)
            sums[name] = digest
    if sorted(sums) != sorted(files):
        bad.append("SHA256SUMS lists %s, want %s" % (sorted(sums), sorted(files)))
    for name, digest in sums.items():
        path = os.path.join(dist, name)
        if os.path.exists(path):
            with open(path, "rb") as f:
                if hashlib.sha256(f.read()).hexdigest() != digest:
                    bad.append("SHA256SUMS: the checksum of %s is wrong" % name)
    return bad


def imports(exe, dll, names):
    import pefile
    if names == ["ALL"]:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
        import exports
        names = exports.NAMES
    pe = pefile.PE(exe)
    got = []
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        if entry.dll.decode("latin-1").upper() != dll.upper():
            continue
        for imp in entry.imports:
            got.append(imp.name.decode("latin-1") if imp.name else "#%d" % imp.ordinal)
    print("%s imports %d names from %s: %s" % (os.path.basename(exe), len(got), dll, ", ".join(got) or "nothing"))
    missing = sorted(set(names) - set(got))
    extra = sorted(set(got) - set(names))
    bad = []
    if missing:
        bad.append("not imported: " + ", ".join(missing))
    if extra:
        bad.append("imported but not wanted: " + ", ".join(extra))
    if len(got) != len(set(got)):
        bad.append("a name is imported twice")
    return bad


def readme(example, docs):
    with open(example) as f:
        block = "```c\n" + f.read() + "```"
    bad = []
    for doc in docs:
        with open(doc) as f:
            if block not in f.read():
                bad.append("%s does not show %s as it is" % (doc, example))
    return bad


def checksum(zip_path):
    import shutil
    import subprocess
    import tempfile
    sums = zip_path + ".sha256"
    if not os.path.exists(sums):
        return ["%s is missing" % sums]
    with open(sums, "rb") as f:
        text = f.read()
    name = os.path.basename(zip_path)
    with open(zip_path, "rb") as f:
        want = ("%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name)).encode()
    bad = []
    if text != want:
        bad.append("%s holds %r, want %r" % (sums, text, want))
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(zip_path, folder)
        shutil.copy(sums, folder)
        check = subprocess.run(["sha256sum", "--check", "--strict", os.path.basename(sums)], cwd=folder,
                               capture_output=True, text=True)
        print(check.stdout + check.stderr, end="")
        if check.returncode != 0 or check.stdout != name + ": OK\n":
            bad.append("sha256sum -c %s in a folder of its own: status %d" % (os.path.basename(sums), check.returncode))
    return bad


def main(argv):
    if len(argv) >= 8 and argv[1] == "contents":
        bad = contents(argv[2], argv[3], argv[4], argv[5], argv[6], argv[7:])
    elif len(argv) >= 4 and argv[1] == "imports":
        bad = imports(argv[2], argv[3], argv[4:])
    elif len(argv) >= 4 and argv[1] == "readme":
        bad = readme(argv[2], argv[3:])
    elif len(argv) == 3 and argv[1] == "checksum":
        bad = checksum(argv[2])
    else:
        sys.stderr.write(__doc__)
        return 2
    for b in bad:
        print("FAIL:", b)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
