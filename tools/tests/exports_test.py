#!/usr/bin/env python3
"""tools/exports.py: the export table read from include/mixer.h, the forms
written from it, and the header shapes it refuses."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import exports  # noqa: E402

SMALL = """
/* A header in the shape of mixer.h. */
#define MIXER_FUNCTIONS_FIRST(X) \\
    X(LONG, Beta, (LONG value)) /* a comment inside */ \\
    X(LONG, alpha, (void))
#define MIXER_FUNCTIONS_SECOND(X) \\
    X(LONG, Gamma, (DWORD type, LPCSTR name, HMIXER mixer))
#define MIXER_FUNCTION_COUNT 3
#define MIXER_FUNCTIONS(X) \\
    MIXER_FUNCTIONS_SECOND(X) \\
    MIXER_FUNCTIONS_FIRST(X)
"""


class TheProjectHeader(unittest.TestCase):
    def setUp(self):
        self.table = exports.load()
        self.by_name = {e.name: e for e in self.table}

    def test_every_export_once_with_its_group_in_list_order(self):
        self.assertEqual(len(self.table), 91)
        self.assertEqual(len(self.by_name), 91)
        groups = []
        for e in self.table:
            if not groups or groups[-1] != e.group:
                groups.append(e.group)
        self.assertEqual(groups, ["ENGINE", "SELECTOR", "LINE_SETTERS", "LINE_GETTERS", "SELECTION", "MISC",
                                  "FILES", "CD"])
        self.assertEqual(self.table[0].name, "SetMixer")
        self.assertEqual(self.table[-1].name, "CloseCD")

    def test_argument_bytes_follow_the_parameters(self):
        want = {"SetMixer": 20, "LocateControl": 16, "SelectLine": 12, "GetMixerRecordChannels": 8,
                "GetPeak": 4, "Save": 4, "PlayCD": 4, "SetPlayMainVolume": 4, "SetVolume": 4,
                "ScanRecControls": 0, "GetPlayMainVolume": 0, "SetRecMicSelect": 0, "CloseCD": 0}
        for name, size in want.items():
            self.assertEqual(self.by_name[name].arg_bytes, size, name)
        self.assertEqual(self.by_name["LocateControl"].params,
                         [("DWORD", "lineId"), ("LONG", "value"), ("HMIXER", "mixer"), ("LONG", "op")])
        self.assertEqual(self.by_name["LocateControl"].signature(), "(DWORD lineId, LONG value, HMIXER mixer, LONG op)")
        self.assertEqual(self.by_name["OpenCD"].signature(), "(void)")

    def test_ordinals_follow_the_byte_order_of_the_names(self):
        ordered = sorted(self.table, key=lambda e: e.ordinal)
        self.assertEqual([e.ordinal for e in ordered], list(range(1, 92)))
        names = [e.name for e in ordered]
        self.assertEqual(names, sorted(names, key=lambda n: n.encode("ascii")))
        # "Set" sorts before every longer name that starts with it.
        self.assertLess(self.by_name["Set"].ordinal, self.by_name["SetCDTypeDigital"].ordinal)
        self.assertEqual((self.by_name["CloseCD"].ordinal, self.by_name["StopCD"].ordinal), (1, 91))
        self.assertEqual(exports.NAMES, names)
        self.assertEqual(exports.ORDINALS["SetMixer"], self.by_name["SetMixer"].ordinal)
        self.assertEqual(exports.ARGS["SetMixer"], 5)

    def test_the_written_forms(self):
        ordered = sorted(self.table, key=lambda e: e.ordinal)
        definition = exports.def_text(ordered).splitlines()
        self.assertEqual(definition[2:4], ["LIBRARY MIXER", "EXPORTS"])
        self.assertEqual(len(definition), 4 + 91)
        self.assertIn("    SetMixer = SetMixer@20 @%d" % self.by_name["SetMixer"].ordinal, definition)
        imports = exports.import_def(ordered).splitlines()
        self.assertIn("LIBRARY MIXER.DLL", imports)
        self.assertIn("    GetMixerRecordChannels@8 @%d" % self.by_name["GetMixerRecordChannels"].ordinal,
                      imports)
        listing = exports.c_list(ordered).splitlines()
        self.assertIn("#define MIXER_EXPORT_COUNT 91", listing)
        self.assertIn("    MIXER_EXPORT_ITEM(CloseCD, 0, 1) \\", listing)
        self.assertEqual(sum(1 for line in listing if "MIXER_EXPORT_ITEM(" in line), 91)


class TheReader(unittest.TestCase):
    def test_a_small_header(self):
        table = exports.parse(SMALL)
        self.assertEqual([(e.name, e.group, e.arg_bytes, e.ordinal) for e in table],
                         [("Gamma", "SECOND", 12, 2), ("Beta", "FIRST", 4, 1), ("alpha", "FIRST", 0, 3)])

    def test_refused_shapes(self):
        bad = {
            "count": SMALL.replace("COUNT 3", "COUNT 4"),
            "count not a number": SMALL.replace("COUNT 3", "COUNT three"),
            "no count": SMALL.replace("#define MIXER_FUNCTION_COUNT 3", ""),
            "no list of groups": SMALL.replace("#define MIXER_FUNCTIONS(X)", "#define OTHER(X)"),
            "group not listed": SMALL.replace("    MIXER_FUNCTIONS_FIRST(X)\n", "\n"),
            "undefined group": SMALL.replace("MIXER_FUNCTIONS_FIRST(X)\n", "MIXER_FUNCTIONS_FIRST(X) MIXER_FUNCTIONS_THIRD(X)\n"),
            "group twice": SMALL.replace("MIXER_FUNCTIONS_FIRST(X)\n", "MIXER_FUNCTIONS_FIRST(X) MIXER_FUNCTIONS_FIRST(X)\n"),
            "other text in the list of groups": SMALL.replace("MIXER_FUNCTIONS_FIRST(X)\n", "MIXER_FUNCTIONS_FIRST(X) extra\n"),
            "name twice": SMALL.replace("Gamma", "Beta"),
            "unknown type": SMALL.replace("LONG value", "double value"),
            "parameter without a name": SMALL.replace("LONG value", "LONG"),
            "void with a name": SMALL.replace("(void)", "(void nothing)"),
            "empty parameters": SMALL.replace("(void)", "()"),
            "other result": SMALL.replace("X(LONG, alpha", "X(DWORD, alpha"),
            "stray text in a list": SMALL.replace("X(LONG, alpha, (void))", "X(LONG, alpha, (void)) Y(1)"),
            "list without functions": SMALL.replace("X(LONG, Gamma, (DWORD type, LPCSTR name, HMIXER mixer))", ""),
            "list with another parameter": SMALL.replace("MIXER_FUNCTIONS_SECOND(X) \\\n    X(", "MIXER_FUNCTIONS_SECOND(Y) \\\n    X("),
            "group defined twice": SMALL + "#define MIXER_FUNCTIONS_FIRST(X) X(LONG, Delta, (void))\n",
        }
        for what, text in bad.items():
            with self.subTest(what):
                self.assertNotEqual(text, SMALL)
                with self.assertRaises(exports.HeaderError):
                    exports.parse(text)


class TheCommand(unittest.TestCase):
    def test_writes_a_form_and_leaves_an_unchanged_file_alone(self):
        with tempfile.TemporaryDirectory() as d:
            header = os.path.join(d, "mixer.h")
            with open(header, "w") as f:
                f.write(SMALL)
            out = os.path.join(d, "MIXER.def")
            self.assertEqual(exports.main(["exports.py", "--header", header, "--def", out]), 0)
            with open(out, newline="") as f:
                text = f.read()
            self.assertTrue(text.endswith("    Beta = Beta@4 @1\n    Gamma = Gamma@12 @2\n    alpha = alpha@0 @3\n"),
                            text)
            os.utime(out, (1000000000, 1000000000))
            self.assertEqual(exports.main(["exports.py", "--header", header, "--def", out]), 0)
            self.assertEqual(os.stat(out).st_mtime, 1000000000)
            with open(header, "w") as f:
                f.write(SMALL.replace("Beta", "Bet"))
            self.assertEqual(exports.main(["exports.py", "--header", header, "--def", out]), 0)
            self.assertNotEqual(os.stat(out).st_mtime, 1000000000)

    def test_wrong_usage_and_a_bad_header(self):
        with tempfile.TemporaryDirectory() as d:
            header = os.path.join(d, "mixer.h")
            with open(header, "w") as f:
                f.write(SMALL.replace("COUNT 3", "COUNT 2"))
            self.assertEqual(exports.main(["exports.py", "--header", header, "--def"]), 1)
            self.assertEqual(exports.main(["exports.py", "--header", os.path.join(d, "none.h")]), 1)
        self.assertEqual(exports.main(["exports.py", "--defs"]), 2)
        self.assertEqual(exports.main(["exports.py", "--def", "a", "b"]), 2)


if __name__ == "__main__":
    unittest.main()
