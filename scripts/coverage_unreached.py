#!/usr/bin/env python3
"""Lists what a coverage run never reached, from llvm-cov's text output
(`llvm-cov show -show-branches=count`): every line whose count is 0 and
every branch side (true or false) taken 0 times.

A line never reached is explained when it, or the line above it, has a
comment with the word "unreachable" saying why no input can reach it. The
reachable lines are the executable lines less the explained ones.

    coverage_unreached.py SHOW_TXT [OUT_TXT]

Prints the figures and the lists (and writes them to OUT_TXT); exits 1 when
a line is neither reached nor explained.
"""
import re
import sys

LINE = re.compile(r"^\s*(\d+)\|\s*([0-9.]+[kMGTPEZY]?|)\|(.*)$")
BRANCH = re.compile(r"^\s*\|\s*Branch \((\d+):(\d+)\): \[True: ([^,]+), False: ([^\]]+)\]")


def is_zero(count):
    return count.strip() in ("0", "0.0")


def parse(text):
    """Yields (file, [(number, count or None, source)], [(line, col, true, false)])."""
    files = []
    current = None
    for raw in text.splitlines():
        if raw.startswith("/") and raw.endswith(":") and "|" not in raw:
            current = (raw[:-1], [], [])
            files.append(current)
            continue
        if current is None:
            continue
        m = LINE.match(raw)
        if m:
            count = m.group(2).strip() or None
            current[1].append((int(m.group(1)), count, m.group(3)))
            continue
        b = BRANCH.match(raw)
        if b:
            current[2].append((int(b.group(1)), int(b.group(2)), b.group(3).strip(), b.group(4).strip()))
    return files


def explained(lines, index):
    for k in (index, index - 1):
        if k < 0:
            continue
        source = lines[k][2]
        if "//" in source and "unreachable" in source.split("//", 1)[1].lower():
            return True
    return False


def main(argv):
    if len(argv) not in (2, 3):
        print("usage: coverage_unreached.py SHOW_TXT [OUT_TXT]", file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8", errors="replace") as f:
        files = parse(f.read())
    executable = reached = 0
    explained_lines, unexplained = [], []
    branch_sides = branch_missed = 0
    missed_branches = []
    for name, lines, branches in sorted(files):
        short = name.split("/src/", 1)[-1]
        short = "src/" + short if "/src/" in name else name
        for i, (number, count, source) in enumerate(lines):
            if count is None:
                continue
            executable += 1
            if not is_zero(count):
                reached += 1
            elif explained(lines, i):
                explained_lines.append(f"{short}:{number}: {source.strip()}")
            else:
                unexplained.append(f"{short}:{number}: {source.strip()}")
        for line, col, true, false in branches:
            branch_sides += 2
            sides = [s for s, c in (("true", true), ("false", false)) if is_zero(c)]
            branch_missed += len(sides)
            if sides:
                source = next((s for n, _, s in lines if n == line), "")
                missed_branches.append(f"{short}:{line}:{col}: never {' or '.join(sides)}: {source.strip()}")
    reachable = executable - len(explained_lines)
    out = []
    out.append(f"lines: {reached} of {executable} reached; {len(explained_lines)} explained as unreachable; "
               f"{reached} of {reachable} reachable lines ({100.0 * reached / max(reachable, 1):.2f}%)")
    out.append(f"branches: {branch_sides - branch_missed} of {branch_sides} sides taken "
               f"({100.0 * (branch_sides - branch_missed) / max(branch_sides, 1):.2f}%)")
    out.append(f"\nlines never reached and not explained ({len(unexplained)}):")
    out.extend("  " + s for s in unexplained)
    out.append(f"\nlines explained as unreachable ({len(explained_lines)}):")
    out.extend("  " + s for s in explained_lines)
    out.append(f"\nbranch sides never taken ({branch_missed}):")
    out.extend("  " + s for s in missed_branches)
    report = "\n".join(out) + "\n"
    sys.stdout.write(report)
    if len(argv) == 3:
        with open(argv[2], "w", encoding="utf-8") as f:
            f.write(report)
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
