"""lineio.Board opens the board (PortInit) and closes it (PortEnd) with the
with block, also when the block raises; a PortInit that gives 0 raises
OpenError and leaves nothing to close."""

import os
import subprocess
import sys
import tempfile
import unittest

import lineio
from support import BOARDS


class Board(lineio.Board):
    """A Board that counts its PortInit and PortEnd calls."""

    def __init__(self, *arguments, **keywords):
        super().__init__(*arguments, **keywords)
        self.calls = []

    def PortInit(self, board):
        self.calls.append(("PortInit", board))
        return super().PortInit(board)

    def PortEnd(self):
        self.calls.append(("PortEnd",))
        return super().PortEnd()


def board_is_open(board):
    """HdTimer gives 0x8000 at once when no board is open, 0 after a tick of
    an open one."""
    return board.HdTimer(1) == 0


class BoardTest(unittest.TestCase):
    def test_with_block_opens_and_closes(self):
        for name in BOARDS:
            with self.subTest(board=name):
                board = Board(name, simulated=True)
                self.assertFalse(board_is_open(board))
                with board as opened:
                    self.assertIs(opened, board)
                    self.assertTrue(board.is_open)
                    self.assertTrue(board_is_open(board))
                    self.assertEqual(board.PortOut(16, 0x1A5), 16)
                self.assertFalse(board.is_open)
                self.assertFalse(board_is_open(board))
                self.assertEqual(board.calls, [("PortInit", 0), ("PortEnd",)])

    def test_an_exception_in_the_block_still_closes_the_board(self):
        board = Board("kestrel", simulated=True)
        with self.assertRaises(lineio.BufferTooShort):
            with board:
                board.GetIOBlockData(0x20, [0] * 15)
        self.assertEqual(board.calls, [("PortInit", 0), ("PortEnd",)])
        self.assertFalse(board_is_open(board))

    def test_open_and_close_by_hand(self):
        board = Board("merlin", simulated=True)
        self.assertIs(board.open(), board)
        board.open()  # already open: no second PortInit
        self.assertTrue(board.close())
        self.assertTrue(board.close())  # already closed: no second PortEnd
        self.assertEqual(board.calls, [("PortInit", 0), ("PortEnd",)])

    def test_port_init_giving_0_raises_open_error(self):
        board = Board("kestrel", simulated=True, register_set=2)
        board.raw.PortInit = lambda number: 0
        with self.assertRaises(lineio.OpenError) as raised:
            with board:
                self.fail("the block runs without a board")
        self.assertIn("PortInit(2) gave 0", str(raised.exception))
        self.assertFalse(board.is_open)
        self.assertEqual(board.calls, [("PortInit", 2)])

    def test_register_set_is_checked(self):
        with self.assertRaises(TypeError):
            lineio.Board("kestrel", simulated=True, register_set="0")

    def test_the_library_without_a_driver(self):
        # The real library where PCI sysfs cannot be read: PortInit prints
        # why and gives 0, and the Board raises OpenError.
        directory = os.environ.get("LINEIO_LIBRARY_DIR")
        if not directory:
            self.skipTest("LINEIO_LIBRARY_DIR names no folder with the real libraries (ctest sets it)")
        with tempfile.TemporaryDirectory() as empty:
            environment = dict(os.environ, LD_LIBRARY_PATH=directory, LINEIO_SYSFS_ROOT=empty)
            environment.pop("LINEIO_KESTREL_LIBRARY")
            program = "import lineio\ntry:\n    lineio.Board('kestrel').open()\nexcept lineio.OpenError as error:\n    print(error)"
            run = subprocess.run([sys.executable, "-c", program], env=environment, capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0], "Cannot open WinDriver device")
        self.assertRegex(lines[1], r"^PortInit\(0\) gave 0 with .*libkestrel\.so\.1: the driver could not be opened")


if __name__ == "__main__":
    unittest.main()
