"""The library and its simulation flavour share a SONAME: once one is loaded,
the system's loader gives it back for the other. The module therefore loads
each board's library in one flavour per process and refuses the other with
FlavourConflict. Each case runs in a process of its own."""

import os
import subprocess
import sys
import textwrap
import unittest

from support import simulated


def run(program, **environment):
    """Runs the program in a new interpreter; gives its standard output."""
    variables = dict(os.environ)
    for name in ("LINEIO_KESTREL_LIBRARY", "LINEIO_MERLIN_LIBRARY", "LINEIO_SIM_DIR", "LD_LIBRARY_PATH"):
        variables.pop(name, None)
    variables.update(environment)
    result = subprocess.run(
        [sys.executable, "-c", textwrap.dedent(program)], env=variables, capture_output=True, text=True
    )
    if result.returncode != 0:
        raise AssertionError(f"the program failed:\n{result.stderr}")
    return result.stdout


class FlavourTest(unittest.TestCase):
    def setUp(self):
        self.sim_file = {board: simulated(board).path for board in ("kestrel", "merlin")}
        self.sim_dir = os.path.dirname(self.sim_file["kestrel"])
        self.library_dir = os.environ.get("LINEIO_LIBRARY_DIR")
        if not self.library_dir:
            self.skipTest("LINEIO_LIBRARY_DIR names no folder with the real libraries (ctest sets it)")

    def test_the_loader_gives_the_loaded_flavour_back(self):
        # What the guard is for: with the simulation flavour loaded, the
        # loader answers a request for libkestrel.so.1 with it, whatever
        # LD_LIBRARY_PATH says.
        output = run(
            """
            import ctypes, os
            from lineio._flavours import loaded_file
            ctypes.CDLL(os.environ["SIM"], mode=os.RTLD_LOCAL)
            print(loaded_file(ctypes.CDLL("libkestrel.so.1", mode=os.RTLD_LOCAL)))
            """,
            SIM=self.sim_file["kestrel"],
            LD_LIBRARY_PATH=self.library_dir,
        )
        self.assertEqual(output.strip(), self.sim_file["kestrel"])

    def test_one_flavour_then_the_other_is_refused(self):
        cases = [
            ("simulation flavour first", "True", "False", "the simulation flavour of kestrel is already loaded"),
            ("library first", "False", "True", "the library of kestrel is already loaded"),
        ]
        for what, first, second, message in cases:
            with self.subTest(what):
                output = run(
                    f"""
                    import lineio
                    first = lineio.load("kestrel", simulated={first})
                    lineio.load("kestrel", simulated={first})  # the same flavour again is fine
                    lineio.load("merlin", simulated={second})  # so is the other board
                    try:
                        lineio.load("kestrel", simulated={second})
                    except lineio.FlavourConflict as error:
                        print(error)
                    """,
                    LINEIO_SIM_DIR=self.sim_dir,
                    LD_LIBRARY_PATH=self.library_dir,
                )
                self.assertIn(message, output)
                self.assertIn("the same SONAME libkestrel.so.1", output)
                self.assertIn("in another process", output)

    def test_the_file_the_loader_chose(self):
        # By name, LD_LIBRARY_PATH decides; Library.file says what came.
        for directory in (self.library_dir, self.sim_dir):
            with self.subTest(directory=directory):
                output = run(
                    "import lineio; print(lineio.load('merlin').file)",
                    LD_LIBRARY_PATH=directory,
                )
                self.assertEqual(os.path.dirname(output.strip()), directory)


if __name__ == "__main__":
    unittest.main()
