#!/usr/bin/env python3
"""Tests of scripts/coverage_unreached.py on llvm-cov show output of the
shapes it meets: counts abbreviated (1.2k), lines without code, template
instantiation blocks, branch lines, and unreached lines with and without a
comment that explains them."""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(__file__), "..", "..", "scripts", "coverage_unreached.py")

SHOW = """\
/work/src/engine/a.cpp:
    1|       |// A file.
    2|  1.52k|int f(int x) {
    3|  1.52k|    if (x > 0) return 1;
  ------------------
  |  Branch (3:9): [True: 1.50k, False: 20]
  ------------------
    4|     20|    if (x == -7) return 2;
  ------------------
  |  Branch (4:9): [True: 0, False: 20]
  ------------------
    5|      0|        g();
    6|       |    // unreachable: h() answers for every x above
    7|      0|    h();
    8|      0|    k();  // Unreachable: no caller passes 0
    9|     20|}
/work/src/core/b.h:
   10|   135k|    ~Block() {
   11|   135k|        if (p != nullptr) Give(p);
  ------------------
  |  Branch (11:13): [True: 24.6k, False: 0]
  ------------------
  |  Branch (11:13): [True: 23.2k, False: 27.0k]
  ------------------
  | _ZN5BlockD2Ev:
  |   10|  84.9k|    ~Block() {
  |   11|  84.9k|        if (p != nullptr) Give(p);
  |  ------------------
  |  |  Branch (11:13): [True: 0, False: 0]
  |  ------------------
   12|   135k|    }
"""


def run(text):
    with tempfile.TemporaryDirectory() as tmp:
        show = os.path.join(tmp, "show.txt")
        out = os.path.join(tmp, "unreached.txt")
        with open(show, "w") as f:
            f.write(text)
        p = subprocess.run([sys.executable, SCRIPT, show, out], capture_output=True, text=True)
        with open(out) as f:
            written = f.read()
        return p.returncode, p.stdout, written


class CoverageUnreachedTest(unittest.TestCase):
    def test_counts_lists_and_explanations(self):
        code, stdout, written = run(SHOW)
        self.assertEqual(stdout, written)
        # Ten lines with code (2 to 5, 7 to 12 less 6); 5, 7 and 8 never reached.
        self.assertIn("lines: 7 of 10 reached; 2 explained as unreachable; 7 of 8 reachable lines (87.50%)", stdout)
        self.assertIn("src/engine/a.cpp:5: g();", stdout.split("lines explained")[0])
        explained = stdout.split("lines explained as unreachable")[1].split("branch sides")[0]
        self.assertIn("src/engine/a.cpp:7: h();", explained)
        self.assertIn("src/engine/a.cpp:8:", explained)
        self.assertNotIn("a.cpp:5", explained)
        # Top-level branch lines only (the instantiation block's are not
        # counted twice): 4 branches, 8 sides, 2 never taken.
        self.assertIn("branches: 6 of 8 sides taken (75.00%)", stdout)
        self.assertIn("src/engine/a.cpp:4:9: never true: if (x == -7) return 2;", stdout)
        self.assertIn("src/core/b.h:11:13: never false:", stdout)
        # A line neither reached nor explained fails the run.
        self.assertEqual(code, 1)

    def test_everything_reached_or_explained_passes(self):
        text = SHOW.replace("    5|      0|        g();", "    5|      3|        g();")
        code, stdout, _ = run(text)
        self.assertEqual(code, 0, stdout)
        self.assertIn("lines never reached and not explained (0):", stdout)

    def test_abbreviated_counts_are_not_zero(self):
        code, stdout, _ = run("/x/src/c.cpp:\n    1|  2.0M|int a;\n    2|      0|int b;  // unreachable: test\n")
        self.assertEqual(code, 0, stdout)
        self.assertIn("lines: 1 of 2 reached; 1 explained", stdout)

    def test_usage(self):
        p = subprocess.run([sys.executable, SCRIPT], capture_output=True, text=True)
        self.assertEqual(p.returncode, 2)
        self.assertIn("usage", p.stderr)


if __name__ == "__main__":
    unittest.main()
