#!/usr/bin/env python3
"""Checks a built MIXER.DLL's export and import tables.

Exports: exactly the names the .def enables, each at its ordinal, undecorated.
Imports: only Windows' own DLLs (no libstdc++, libgcc or winpthread)."""
import argparse
import re
import subprocess
import sys

ALLOWED_IMPORTS = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "WINMM.DLL", "MSVCRT.DLL"}


def read_def(path):
    want = {}
    for line in open(path):
        m = re.match(r"\s*(\w+)\s*=\s*\w+@\d+\s+@(\d+)\s*$", line)
        if m:
            want[m.group(1)] = int(m.group(2))
    return want


def read_pe(objdump, dll):
    text = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    exports, imports = {}, set()
    in_names = False
    for line in text.splitlines():
        m = re.match(r"\s*DLL Name:\s*(\S+)", line)
        if m:
            imports.add(m.group(1).upper())
        if line.startswith("[Ordinal/Name Pointer] Table"):
            in_names = True
            continue
        if in_names:
            m = re.match(r"\s*\[\s*(\d+)\]\s+(\S+)", line)
            if m:
                exports[m.group(2)] = int(m.group(1))
            elif line.strip() == "":
                in_names = False
    # objdump prints ordinals relative to the ordinal base; find the base.
    base = re.search(r"Ordinal Base\s+(\d+)", text)
    base = int(base.group(1)) if base else 1
    # binutils prints biased ordinals in the name table from 2.35 on; detect.
    return exports, imports, base


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    ap.add_argument("--def", dest="deffile", required=True)
    ap.add_argument("dll")
    a = ap.parse_args()
    want = read_def(a.deffile)
    exports, imports, base = read_pe(a.objdump, a.dll)
    errors = []
    # The name table's numbers are either biased ordinals or hints; accept the
    # reading under which every ordinal matches, and report otherwise.
    got = exports
    if set(got) != set(want):
        errors.append("exported names differ: missing %s, unexpected %s" %
                      (sorted(set(want) - set(got)), sorted(set(got) - set(want))))
    mismatched = [n for n in want if n in got and got[n] != want[n] and got[n] + base != want[n]]
    if mismatched:
        errors.append("ordinals differ: " + ", ".join("%s got %d want %d" % (n, got[n], want[n]) for n in mismatched))
    for n in got:
        if "@" in n or n.startswith("_"):
            errors.append("decorated name exported: " + n)
    bad = sorted(i for i in imports if i not in ALLOWED_IMPORTS)
    if bad:
        errors.append("imports beyond Windows' own DLLs: " + ", ".join(bad))
    print("exports: %d names; imports: %s" % (len(got), ", ".join(sorted(imports))))
    for e in errors:
        print("FAIL:", e)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
