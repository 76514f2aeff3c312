#!/usr/bin/env python3
"""The library's exports, read from the lists of the public header.

include/mixer.h is the one table of the exports: each group of functions is
a list MIXER_FUNCTIONS_<GROUP>(X) with one line a function,

    X(LONG, Name, (TYPE name, TYPE name, ...))     or     X(LONG, Name, (void))

and MIXER_FUNCTIONS(X) strings the groups together. This module reads those
lists and gives each export its group, its parameters, its argument bytes
(4 a parameter: every parameter type the header uses is 32 bits wide on
i686) and its ordinal (1 to N in the alphabetical order of the names).

    exports.py                  one line an export: ordinal, name, argument bytes, group
    exports.py --def [OUTPUT]   the DLL's module-definition file: each name
                                exported undecorated from its stdcall symbol
    exports.py --import-def [OUTPUT]
                                a module-definition file with the decorated
                                names (SetMixer@20), for making import libraries
                                with dlltool -k: a host's reference to
                                _SetMixer@20 binds to the export "SetMixer" of
                                MIXER.DLL. The kit ships it as MIXER.def.
    exports.py --c-list [OUTPUT]
                                a C header with one X-macro line a name, in
                                ordinal order, MIXER_EXPORT_ITEM(name, argument
                                bytes, ordinal): for the checks that hold the
                                header's prototypes against the bytes and
                                ordinals the DLL and its import libraries are
                                made with.

The build writes these forms; an unchanged file is left as it is. --header
PATH, first, reads another header than include/mixer.h."""
import os
import re
import sys

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "include", "mixer.h")

# The parameter types an export may take, each 4 bytes on i686. A type not
# listed here is refused: its size on the stack would be a guess.
PARAMETER_TYPES = {"LONG", "DWORD", "LPCSTR", "LPSTR", "HMIXER"}
RESULT_TYPE = "LONG"
ARGUMENT_BYTES = 4


class HeaderError(Exception):
    """The header's lists are not in the shape this reader knows."""


class Export:
    def __init__(self, name, group, params):
        self.name = name
        self.group = group
        self.params = params  # [(type, name)], empty for (void)
        self.arg_bytes = ARGUMENT_BYTES * len(params)
        self.ordinal = 0

    def signature(self):
        return "(%s)" % (", ".join("%s %s" % p for p in self.params) or "void")


def _logical_lines(text):
    """The header's lines with backslash continuations joined and comments removed."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", "", text)
    return text.replace("\\\n", " ").split("\n")


_DEFINE = re.compile(r"^\s*#\s*define\s+(\w+)(\([^)]*\))?\s*(.*?)\s*$")
_ENTRY = re.compile(r"X\(\s*(\w+)\s*,\s*(\w+)\s*,\s*\(([^()]*)\)\s*\)")
_GROUP_USE = re.compile(r"MIXER_FUNCTIONS_(\w+)\(\s*X\s*\)")


def _parameters(name, text):
    text = text.strip()
    if text == "void":
        return []
    params = []
    for part in text.split(","):
        words = part.split()
        if len(words) != 2 or not re.match(r"^\w+$", words[1]):
            raise HeaderError("%s: parameter %r is not 'TYPE name'" % (name, part.strip()))
        if words[0] not in PARAMETER_TYPES:
            raise HeaderError("%s: parameter type %s is not a known 32-bit type" % (name, words[0]))
        params.append((words[0], words[1]))
    return params


def parse(text):
    """The exports the header text lists, in the order of MIXER_FUNCTIONS,
    with their ordinals set. Raises HeaderError when the lists are malformed,
    a group is defined but not listed (or listed but not defined), a name
    repeats, or MIXER_FUNCTION_COUNT disagrees."""
    groups = {}   # group -> [Export]
    order = None  # groups in MIXER_FUNCTIONS
    count = None
    for line in _logical_lines(text):
        m = _DEFINE.match(line)
        if not m:
            continue
        macro, args, body = m.groups()
        if macro == "MIXER_FUNCTION_COUNT":
            if not body.isdigit():
                raise HeaderError("MIXER_FUNCTION_COUNT is %r, not a number" % body)
            count = int(body)
        elif macro == "MIXER_FUNCTIONS":
            order = _GROUP_USE.findall(body)
            if _GROUP_USE.sub("", body).strip():
                raise HeaderError("MIXER_FUNCTIONS holds more than group lists: %r" % body)
        elif macro.startswith("MIXER_FUNCTIONS_"):
            group = macro[len("MIXER_FUNCTIONS_"):]
            if args is None or args.replace(" ", "") != "(X)":
                raise HeaderError("%s does not take the one argument X" % macro)
            if group in groups:
                raise HeaderError("%s is defined twice" % macro)
            entries = _ENTRY.findall(body)
            if _ENTRY.sub("", body).strip():
                raise HeaderError("%s holds something other than X(result, name, (parameters)): %r" %
                                  (macro, _ENTRY.sub("", body).strip()))
            if not entries:
                raise HeaderError("%s lists no function" % macro)
            for result, name, params in entries:
                if result != RESULT_TYPE:
                    raise HeaderError("%s returns %s, not %s" % (name, result, RESULT_TYPE))
            groups[group] = [Export(name, group, _parameters(name, params)) for _, name, params in entries]
    if order is None:
        raise HeaderError("no MIXER_FUNCTIONS(X) list")
    if count is None:
        raise HeaderError("no MIXER_FUNCTION_COUNT")
    for g in order:
        if g not in groups:
            raise HeaderError("MIXER_FUNCTIONS names the undefined group MIXER_FUNCTIONS_%s" % g)
    if len(set(order)) != len(order):
        raise HeaderError("MIXER_FUNCTIONS names a group twice")
    unused = sorted(set(groups) - set(order))
    if unused:
        raise HeaderError("groups not in MIXER_FUNCTIONS: " + ", ".join("MIXER_FUNCTIONS_" + g for g in unused))
    exports = [e for g in order for e in groups[g]]
    seen = set()
    for e in exports:
        if e.name in seen:
            raise HeaderError("%s is listed twice" % e.name)
        seen.add(e.name)
    if len(exports) != count:
        raise HeaderError("the lists hold %d functions, MIXER_FUNCTION_COUNT says %d" % (len(exports), count))
    for ordinal, name in enumerate(sorted(seen), 1):
        next(e for e in exports if e.name == name).ordinal = ordinal
    return exports


def load(path=HEADER):
    with open(path, encoding="latin-1") as f:
        return parse(f.read())


def def_text(exports):
    """The DLL's module-definition file: every name exported undecorated from
    its stdcall symbol, with its ordinal."""
    out = ["; MIXER.DLL's exports, written by tools/exports.py from the lists of",
           "; include/mixer.h: ordinals in the alphabetical order of the names.",
           "LIBRARY MIXER", "EXPORTS"]
    for e in sorted(exports, key=lambda e: e.ordinal):
        out.append("    %s = %s@%d @%d" % (e.name, e.name, e.arg_bytes, e.ordinal))
    return "\n".join(out) + "\n"


def import_def(table):
    out = ["; MIXER.DLL's functions under their stdcall-decorated names, with ordinals,",
           "; for making an import library:",
           ";     i686-w64-mingw32-dlltool -m i386 -k -d MIXER.def -l libmixer.dll.a",
           ";     llvm-dlltool -m i386 -k -d MIXER.def -l MIXER.lib",
           "; -k (--kill-at) binds each decorated name (SetMixer@20, which a compiler",
           "; makes from mixer.h) to the DLL's undecorated export (SetMixer).",
           "LIBRARY MIXER.DLL", "EXPORTS"]
    for e in table:
        out.append("    %s@%d @%d" % (e.name, e.arg_bytes, e.ordinal))
    return "\n".join(out) + "\n"


def c_list(table):
    out = ["/* The exports of MIXER.DLL, written by tools/exports.py from include/mixer.h. */",
           "#define MIXER_EXPORT_COUNT %d" % len(table),
           "#define MIXER_EXPORT_LIST(MIXER_EXPORT_ITEM) \\"]
    for e in table:
        out.append("    MIXER_EXPORT_ITEM(%s, %d, %d) \\" % (e.name, e.arg_bytes, e.ordinal))
    out.append("    /* end */")
    return "\n".join(out) + "\n"


def write(path, text):
    """Writes `text` to `path` with LF line ends, or to stdout for None. An
    unchanged file is not touched, so what depends on it is not rebuilt."""
    if path is None:
        sys.stdout.write(text)
        return
    try:
        with open(path, newline="") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(path, "w", newline="\n") as f:
        f.write(text)


# The table of include/mixer.h, for the tools and checks that import this
# module: NAMES in ordinal order, ARGS the argument count of each name,
# ORDINALS the ordinal of each name.
def _table():
    try:
        exports = load()
    except OSError:  # pragma: no cover - a copy of this file without the header
        return [], {}, {}
    names = [e.name for e in sorted(exports, key=lambda e: e.ordinal)]
    return (names, {e.name: len(e.params) for e in exports}, {e.name: e.ordinal for e in exports})


NAMES, ARGS, ORDINALS = _table()


def main(argv):
    args = argv[1:]
    header = HEADER
    if args[:1] == ["--header"] and len(args) >= 2:
        header, args = args[1], args[2:]
    forms = {"--def": def_text, "--import-def": import_def, "--c-list": c_list}
    if args and (args[0] not in forms or len(args) > 2):
        sys.stderr.write("usage: exports.py [--header mixer.h] [--def|--import-def|--c-list [OUTPUT]]\n")
        return 2
    try:
        table = sorted(load(header), key=lambda e: e.ordinal)
    except (OSError, HeaderError) as e:
        sys.stderr.write("exports.py: %s: %s\n" % (header, e))
        return 1
    if args:
        write(args[1] if len(args) == 2 else None, forms[args[0]](table))
        return 0
    for e in table:
        print(e.ordinal, e.name, e.arg_bytes, e.group)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
