#!/usr/bin/env python3
"""Forms of the export table (tools/exports.py) that the build needs besides
src/MIXER.def.

  --import-def   a module-definition file with the stdcall-decorated names
                 (SetMixer@20), for making import libraries with dlltool -k:
                 a host's reference to _SetMixer@20 binds to the export
                 "SetMixer" of MIXER.DLL. The kit ships it as MIXER.def.
  --c-list       a C header with one X-macro line a name,
                 MIXER_EXPORT_ITEM(name, argument bytes, ordinal).

Both take an optional output path; without one they write to stdout."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import exports  # noqa: E402


def import_def():
    out = ["; MIXER.DLL's functions under their stdcall-decorated names, with ordinals,",
           "; for making an import library:",
           ";     i686-w64-mingw32-dlltool -m i386 -k -d MIXER.def -l libmixer.dll.a",
           ";     llvm-dlltool -m i386 -k -d MIXER.def -l MIXER.lib",
           "; -k (--kill-at) binds each decorated name (SetMixer@20, which a compiler",
           "; makes from mixer.h) to the DLL's undecorated export (SetMixer).",
           "LIBRARY MIXER.DLL", "EXPORTS"]
    for n in exports.NAMES:
        out.append("    %s@%d @%d" % (n, 4 * exports.ARGS[n], exports.ORDINALS[n]))
    return "\n".join(out) + "\n"


def c_list():
    out = ["/* The exports of MIXER.DLL, written by tools/export_lists.py. */",
           "#define MIXER_EXPORT_COUNT %d" % len(exports.NAMES),
           "#define MIXER_EXPORT_LIST(MIXER_EXPORT_ITEM) \\"]
    for n in exports.NAMES:
        out.append("    MIXER_EXPORT_ITEM(%s, %d, %d) \\" % (n, 4 * exports.ARGS[n], exports.ORDINALS[n]))
    out.append("    /* end */")
    return "\n".join(out) + "\n"


def main(argv):
    forms = {"--import-def": import_def, "--c-list": c_list}
    if len(argv) not in (2, 3) or argv[1] not in forms:
        sys.stderr.write("usage: export_lists.py --import-def|--c-list [output]\n")
        return 2
    text = forms[argv[1]]()
    if len(argv) == 3:
        with open(argv[2], "w", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
