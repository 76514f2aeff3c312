#!/usr/bin/env python3
"""Checks of dist/ and of the programs linked against it.

  contents DIST SOURCE_DIR DLL
      dist/ holds the six files a host developer needs, mixerctl's manual
      page and bash completion, and the mixer panel; the DLL is the one
      built, the rest (but the panel) copies of the sources.
  imports EXE DLLNAME NAME...
      EXE imports exactly NAME... from DLLNAME, each by its name (no
      ordinals, no decorated names); the single NAME "ALL" stands for the 91
      names of tools/exports.py.
  readme EXAMPLE DOC...
      each DOC shows EXAMPLE verbatim in a C code block."""
import filecmp
import os
import sys

EXPECTED = ["MIXER.DLL", "MIXER.def", "MIXER.lib", "README", "libmixer.dll.a", "mixer.h",
            "mixerctl.1", "mixerctl.bash-completion", "mixerpanel.exe"]


def contents(dist, source, dll):
    bad = []
    have = sorted(os.listdir(dist))
    print("dist/: " + ", ".join(have))
    if have != sorted(EXPECTED):
        bad.append("dist/ holds %s, want %s" % (have, sorted(EXPECTED)))
    pairs = [(dll, "MIXER.DLL"), (os.path.join(source, "include", "mixer.h"), "mixer.h"),
             (os.path.join(source, "src", "MIXER.def"), "MIXER.def"),
             (os.path.join(source, "docs", "dist-README.txt"), "README"),
             (os.path.join(source, "docs", "mixerctl.1"), "mixerctl.1"),
             (os.path.join(source, "tools", "mixerctl", "mixerctl.bash-completion"), "mixerctl.bash-completion")]
    for src, name in pairs:
        target = os.path.join(dist, name)
        if not os.path.exists(target) or not filecmp.cmp(src, target, shallow=False):
            bad.append("dist/%s is not a copy of %s" % (name, src))
    for name in ("MIXER.lib", "libmixer.dll.a"):
        with open(os.path.join(dist, name), "rb") as f:
            if f.read(8) != b"!<arch>\n":
                bad.append("dist/%s is not an archive" % name)
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


def main(argv):
    if len(argv) >= 5 and argv[1] == "contents":
        bad = contents(argv[2], argv[3], argv[4])
    elif len(argv) >= 4 and argv[1] == "imports":
        bad = imports(argv[2], argv[3], argv[4:])
    elif len(argv) >= 4 and argv[1] == "readme":
        bad = readme(argv[2], argv[3:])
    else:
        sys.stderr.write(__doc__)
        return 2
    for b in bad:
        print("FAIL:", b)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
