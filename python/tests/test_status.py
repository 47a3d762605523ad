"""The extension calls through the module: whether and how a board is open,
why the last open found none (NoBoard from Board.open), the version, and the
trace switch. The no-board cases run the library itself in a child process,
on a PCI tree of ordinary files that holds no board."""

import os
import pathlib
import subprocess
import sys
import tempfile
import textwrap
import unittest

import lineio
from support import BOARDS, simulated

# Runs in a child: LINEIO_SYSFS_ROOT is read at the library's first open,
# and one process keeps one flavour of a board.
CHILD = textwrap.dedent(
    """
    import json, os, sys
    import lineio
    library = os.path.join(os.environ["LINEIO_LIBRARY_DIR"], "libkestrel.so.1")
    seen = {}
    try:
        lineio.Board(library).open()
        seen["raised"] = None
    except lineio.OpenError as error:
        seen["raised"] = type(error).__name__
        seen["code"] = error.failure.code
        seen["name"] = error.failure.name
        seen["text"] = error.failure.text
        seen["message"] = str(error)
    board = lineio.Board(library, require_board=False)
    try:
        board.open()
        seen["opened_anyway"] = True
        seen["access"] = board.LineioBoardAccess()
        board.close()
    except lineio.OpenError:
        seen["opened_anyway"] = False
    print(json.dumps(seen))
    """
)


def run_child(sysfs_root):
    environment = dict(os.environ, LINEIO_SYSFS_ROOT=str(sysfs_root), LINEIO_DEV_ROOT=str(sysfs_root))
    done = subprocess.run(
        [sys.executable, "-c", CHILD], env=environment, capture_output=True, text=True, timeout=60
    )
    if done.returncode != 0:
        raise AssertionError(done.stderr)
    import json

    return json.loads(done.stdout.strip().splitlines()[-1])


class NoBoardTest(unittest.TestCase):
    def test_failed_opens_raise_with_their_reason(self):
        cases = [
            # tree, error raised, code, name, text, opens with require_board=False
            ("bus/pci/devices", "NoBoard", 3, "no board", "no cards found\n", True),
            ("", "OpenError", 1, "no driver", "Cannot open WinDriver device\n", False),
        ]
        for devices, raised, code, name, text, opened in cases:
            with self.subTest(tree=devices or "no PCI devices directory"):
                with tempfile.TemporaryDirectory() as root:
                    if devices:
                        (pathlib.Path(root) / devices).mkdir(parents=True)
                    seen = run_child(root)
                self.assertEqual(seen["raised"], raised)
                self.assertEqual((seen["code"], seen["name"]), (code, name))
                self.assertEqual(seen["text"], text)
                self.assertIn(text.strip(), seen["message"])
                self.assertEqual(seen["opened_anyway"], opened)
                if opened:
                    self.assertEqual(seen["access"], lineio.ACCESS_NONE)


class StatusTest(unittest.TestCase):
    def test_access_follows_the_board(self):
        for name in BOARDS:
            with self.subTest(board=name):
                library = simulated(name)
                self.assertEqual(library.LineioBoardAccess(), lineio.ACCESS_NONE)
                with lineio.Board(library.path, simulated=True) as board:
                    # The simulated boards sit on an I/O range.
                    self.assertEqual(board.LineioBoardAccess(), lineio.ACCESS_IO)
                    self.assertEqual(board.last_failure(), lineio.Failure(0, "none", ""))
                self.assertEqual(library.LineioBoardAccess(), lineio.ACCESS_NONE)

    def test_version_is_the_package_version(self):
        self.assertEqual(simulated("kestrel").LineioVersion(), lineio.__version__)

    def test_trace_records_the_calls_and_the_board_accesses(self):
        library = simulated("merlin")
        with tempfile.TemporaryDirectory() as folder:
            path = pathlib.Path(folder) / "run.trace"
            library.trace(path)
            with lineio.Board(library.path, simulated=True) as board:
                board.PortOut(16, 0x12)
            library.trace(None)
            board.PortOut(16, 0x13)  # after the stop: not in the file
            texts = [line.split(" ", 1)[1] for line in path.read_text().splitlines()]
        self.assertIn("> PortOut 16 18", texts)
        self.assertIn("W 0310 12", texts)
        self.assertNotIn("> PortOut 16 19", texts)
        self.assertLess(texts.index("> PortOut 16 18"), texts.index("W 0310 12"))

    def test_trace_refusals(self):
        library = simulated("kestrel")
        with tempfile.TemporaryDirectory() as folder:
            with self.assertRaises(OSError):
                library.trace(folder)  # a directory
        with self.assertRaises(TypeError):
            library.trace(12)  # type: ignore[arg-type]


if __name__ == "__main__":
    unittest.main()
