"""The examples in python/examples run against the simulation flavour and
print what the Python page says they print."""

import os
import pathlib
import subprocess
import sys
import unittest

EXAMPLES = pathlib.Path(__file__).resolve().parents[1] / "examples"

# example, lines its output must hold (the library's own lines come through
# the C library's standard output, in an order of their own).
CASES = [
    (
        "first_session.py",
        [
            "DOVEVED PCI card found!",
            "PortOut(16, 0x1a5) = 16",
            "PortQinp(16) = 0x1a5",
            "ExchgLine(0, 'A5123489AB') = 0",
            "ExchgLine(0, 'A5123489AG') = 0xffff",
            "HdTimer(3) = 0",
            "io_block(0x10)[0] = 0x1a5",
            "refused: PortOut: value is a 16-bit argument (0 to 65535), not 70000",
        ],
    ),
    (
        "both_boards.py",
        [
            "kestrel: PortOut(80, 0x12) = 40",
            "merlin: PortOut(80, 0x12) = 1",
            "kestrel: PortQinp(16) = 0x11",
            "merlin: PortQinp(16) = 0x22",
        ],
    ),
    ("spectrum.py", ["frequency 0: 0.2500", "peak: frequency 12, 0.5000"]),
]


class ExamplesTest(unittest.TestCase):
    def test_examples_print_what_the_page_says(self):
        for example, expected in CASES:
            with self.subTest(example=example):
                run = subprocess.run(
                    [sys.executable, str(EXAMPLES / example)], capture_output=True, text=True, env=dict(os.environ)
                )
                self.assertEqual(run.returncode, 0, run.stderr)
                lines = run.stdout.splitlines()
                for line in expected:
                    self.assertIn(line, lines)
        self.assertEqual(sorted(path.name for path in EXAMPLES.glob("*.py")), sorted(name for name, _ in CASES))


if __name__ == "__main__":
    unittest.main()
