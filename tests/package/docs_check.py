#!/usr/bin/env python3
"""The kit's documents against the build that ships them.

  docs_check.py VERSION SIZE_BUDGET TEMP_NAME_SOURCE KIT FILE...

KIT is the built kit (dist/), FILE... its files as cmake/dist.cmake lists
them. Its README.txt, REFERENCE.txt, CHANGELOG.md and mixerctl.1 must agree
with the build on:

  - versions: every dotted version (1.2.3, or 1.2.3.4 for the version
    resource) is the project's, in CHANGELOG.md its newest section, whose
    heading is the project's version; a compiler option's value ("=4.2.1")
    is not a version of ours;
  - sizes: the documents give no file size, since the library's size moves
    with every change; a size in KiB, KB, MiB or MB, or of 8192 bytes or more,
    is one. Only the size budget the build enforces may be stated ("at most
    64 KiB"), and the trace's limit on a line ("A line holds at most 1 MiB"),
    which must be the library's (kLineLimit, next to TEMP_NAME_SOURCE in
    src/core/trace.cpp);
  - file names: README.txt's "Files" list names exactly the kit's files
    (examples/ by the examples it lists); "examples/NAME" and the CHANGELOG's
    `NAME.ext` name kit files; a temporary file is named as
    TEMP_NAME_SOURCE names it (its marker, eight hexadecimal digits and its
    extension);
  - counts: "N examples" is the kit's number of examples, "N functions" or
    "N exports" (exported, undecorated, `__stdcall`) the export table's
    (mixer.h's, read by tools/exports.py).

Prints each disagreement with its document and line and fails then."""
import os
import re
import sys

NUMBER_WORDS = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten",
                "eleven", "twelve"]
DOCS = ["README.txt", "REFERENCE.txt", "CHANGELOG.md", "mixerctl.1"]
UNITS = {"kib": 1024, "kb": 1024, "mib": 1 << 20, "mb": 1 << 20, "byte": 1, "bytes": 1}
# The smallest number of bytes that reads as a file's size rather than a
# buffer's or a read's (REFERENCE.txt's largest is 4096).
FILE_SIZED = 8192


def number(word):
    word = word.lower().replace(",", "")
    if word.isdigit():
        return int(word)
    return NUMBER_WORDS.index(word) if word in NUMBER_WORDS else None


def temp_name_pattern(source):
    """The temporary file's name as the code makes it: marker, eight
    hexadecimal digits, extension."""
    with open(source, encoding="utf-8") as f:
        text = f.read()
    marker = re.search(r"kTempMarker = '(.)'", text)
    extension = re.search(r'kTempExtension\[\] = "([^"]+)"', text)
    digits = re.search(r"for \(int shift = (\d+); shift >= 0; shift -= 4\)", text)
    if not (marker and extension and digits):
        raise SystemExit("docs_check.py: cannot read the temporary file's name from %s" % source)
    count = int(digits.group(1)) // 4 + 1
    return marker.group(1), extension.group(1), re.compile(
        r"%s[0-9A-F]{%d}%s$" % (re.escape(marker.group(1)), count, re.escape(extension.group(1))))


def newest_section(lines, version, bad):
    """The CHANGELOG's lines from its first version heading to the next,
    which must be the project's version."""
    headings = [i for i, line in enumerate(lines) if line.startswith("## ")]
    if not headings:
        bad.append("CHANGELOG.md: no version heading")
        return []
    first = headings[0]
    if not re.match(r"## %s - \d{4}-\d{2}-\d{2}$" % re.escape(version), lines[first]):
        bad.append("CHANGELOG.md:%d: the newest heading is %r, the build's version %s" %
                   (first + 1, lines[first], version))
    end = headings[1] if len(headings) > 1 else len(lines)
    return list(range(first, end))


def files_section(lines):
    """README.txt's "Files" list: {name: description}."""
    try:
        start = next(i for i in range(len(lines) - 1) if lines[i] == "Files" and set(lines[i + 1]) == {"-"})
    except StopIteration:
        return None
    entries, name = {}, None
    for line in lines[start + 2:]:
        if re.match(r"^[A-Za-z].*$", line):  # the next section's title
            break
        m = re.match(r"^  (\S+)(.*)$", line)
        if m:
            name = m.group(1)
            entries[name] = m.group(2)
        elif name and line.startswith("    "):
            entries[name] += " " + line.strip()
    return entries


def trace_line_limit(temp_source):
    """The library's limit on a trace line, in bytes (kLineLimit)."""
    path = os.path.join(os.path.dirname(temp_source), "..", "core", "trace.cpp")
    with open(path, encoding="utf-8") as f:
        m = re.search(r"kLineLimit\s*=\s*(\d+)u?(?:\s*<<\s*(\d+))?\s*;", f.read())
    if not m:
        raise SystemExit("docs_check.py: no kLineLimit in " + path)
    return int(m.group(1)) << int(m.group(2) or 0)


def check(version, budget, functions, temp_source, kit, files):
    bad = []
    line_limit = trace_line_limit(temp_source)
    examples = sorted(f for f in files if f.startswith("examples/"))
    kit_names = set(files) | {"SHA256SUMS"}
    basenames = {os.path.basename(f) for f in kit_names}
    marker, extension, temp_name = temp_name_pattern(temp_source)
    dll_size = os.path.getsize(os.path.join(kit, "MIXER.DLL"))
    if dll_size > budget:
        bad.append("MIXER.DLL is %d bytes, over the budget of %d" % (dll_size, budget))
    versions = {version, version + ".0"}

    for doc in DOCS:
        with open(os.path.join(kit, doc), encoding="utf-8") as f:
            lines = f.read().split("\n")
        checked = newest_section(lines, version, bad) if doc == "CHANGELOG.md" else range(len(lines))
        for i in checked:
            line = lines[i]
            where = "%s:%d" % (doc, i + 1)
            for m in re.finditer(r"(?<![\w.=])\d+\.\d+\.\d+(?:\.\d+)?(?![\w.]*\d)", line):
                if m.group(0) not in versions:
                    bad.append("%s: version %s, the build's is %s" % (where, m.group(0), version))
            for m in re.finditer(r"(\d[\d,]*)\s*(KiB|KB|kB|MiB|MB|bytes?)\b", line):
                size = int(m.group(1).replace(",", "")) * UNITS[m.group(2).lower()]
                if m.group(2).lower().startswith("byte") and size < FILE_SIZED:
                    continue
                budget_stated = size == budget and re.search(r"(at most|up to|no more than|under)\s*$",
                                                             line[:m.start()])
                limit_stated = size == line_limit and re.search(r"line holds at most\s*$", line[:m.start()])
                if not budget_stated and not limit_stated:
                    bad.append("%s: a file size (%s); the documents state none but the budget (at most %d KiB)"
                               % (where, m.group(0), budget // 1024))
            for m in re.finditer(r"\b(\w+) (?:exported |undecorated )?(?:`__stdcall` )?(functions|exports)\b", line):
                n = number(m.group(1))
                if n is not None and n != functions:
                    bad.append("%s: %s, the export table has %d" % (where, m.group(0), functions))
            for m in re.finditer(r"\b(\w+) examples\b", line, re.IGNORECASE):
                n = number(m.group(1))
                if n is not None and n != len(examples):
                    bad.append("%s: %s, the kit has %d" % (where, m.group(0), len(examples)))
            for m in re.finditer(r"\bexamples[/\\]([\w.-]+\.\w+)", line):
                if "examples/" + m.group(1) not in kit_names:
                    bad.append("%s: examples/%s is not in the kit" % (where, m.group(1)))
            for m in re.finditer(r"[^\s\"'`(]*%s\b" % re.escape(extension), line):
                token = m.group(0)
                if token != extension and not temp_name.match(token):
                    bad.append("%s: temporary file %s; the library names it %s, eight hexadecimal digits, %s" %
                               (where, token, marker, extension))
            if doc == "CHANGELOG.md":
                for m in re.finditer(r"`([\w.-]+\.(?:h|a|lib|def|txt|md|exe|DLL|dll|c|cpp|1))`", line):
                    if m.group(1) not in basenames:
                        bad.append("%s: `%s` is not a file of the kit" % (where, m.group(1)))

        if doc == "README.txt":
            listed = files_section(lines)
            if listed is None:
                bad.append("README.txt: no \"Files\" section")
                continue
            names = {n for n in listed if not n.endswith("/")}
            for folder in (n for n in listed if n.endswith("/")):
                names |= {folder + e for e in re.findall(r"\b([\w-]+\.(?:c|cpp))\b", listed[folder])}
            if names != kit_names:
                bad.append("README.txt: the Files list names %s; the kit holds %s (missing %s, extra %s)" %
                           (sorted(names), sorted(kit_names), sorted(kit_names - names), sorted(names - kit_names)))
    return bad


def main(argv):
    if len(argv) < 6:
        sys.stderr.write(__doc__)
        return 2
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
    import exports
    version, budget, temp_source, kit = argv[1], int(argv[2]), argv[3], argv[4]
    bad = check(version, budget, len(exports.NAMES), temp_source, kit, argv[5:])
    for b in bad:
        print("FAIL:", b)
    print("%s: %d disagreements with the build" % (", ".join(DOCS), len(bad)))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
