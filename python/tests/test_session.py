"""A host session through the module against the simulated boards: what the
host gets back from the exports, and what they refuse. (The devices' loads
are not visible through the exports; the bus analyser and the C tests
assert those.)"""

import array
import unittest

import lineio
from support import BOARDS, simulated

LINE_PORT = 36
SIGNAL_PORT = 37
CLICK_PORT = 35

# port: what PortOut gives on each board (1 for a rejected port, and for
# direct port 1, whose slot is 1).
PORT_RESULTS = {
    1: {"kestrel": 1, "merlin": 1},
    5: {"kestrel": 5, "merlin": 5},
    22: {"kestrel": 1, "merlin": 1},
    36: {"kestrel": 26, "merlin": 26},
    64: {"kestrel": 34, "merlin": 34},
    80: {"kestrel": 40, "merlin": 1},
    133: {"kestrel": 63, "merlin": 1},
    134: {"kestrel": 1, "merlin": 1},
}

# pattern, mode, result, PortQinp(36) afterwards when it was 0x45 before.
EXCHANGES = [
    ("A5123489AB", 0, 0, 0x40),
    ("a5123489ab", 1, 0, 0x40),
    (b"0123456789ZZ", 0xFFFF, 0, 0x40),  # the eleventh character is not read
    ("G123456789", 0, lineio.PATTERN_REFUSED, 0x45),
    ("A512:489AB", 1, lineio.PATTERN_REFUSED, 0x45),
    ("A5123489A", 0, lineio.PATTERN_REFUSED, 0x45),  # nine characters
    (b"A5", 0, lineio.PATTERN_REFUSED, 0x45),
    (None, 0, lineio.PATTERN_REFUSED, 0x45),
]


class SessionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.libraries = {board: simulated(board) for board in BOARDS}
        for library in cls.libraries.values():
            if library.PortInit(0) == 0:
                raise RuntimeError(f"PortInit failed on {library.path}")

    @classmethod
    def tearDownClass(cls):
        for library in cls.libraries.values():
            library.PortEnd()

    def each_board(self):
        for board, library in self.libraries.items():
            with self.subTest(board=board):
                yield board, library

    def test_port_init_sets_the_enable_flag(self):
        for _, library in self.each_board():
            self.assertEqual(library.Test(123), 0xFFFF)

    def test_port_out_gives_the_slot_or_1(self):
        for board, library in self.each_board():
            for port, results in PORT_RESULTS.items():
                self.assertEqual(library.PortOut(port, 0x100 + port), results[board], f"port {port}")
                remembered = 0x100 + port if results[board] != 1 or port == 1 else 0
                self.assertEqual(library.PortQinp(port), remembered, f"port {port}")

    def test_both_boards_in_one_process_keep_their_own_state(self):
        kestrel, merlin = self.libraries["kestrel"], self.libraries["merlin"]
        self.assertIsNot(kestrel.raw.PortOut, merlin.raw.PortOut)
        kestrel.PortOut(16, 0x11)
        merlin.PortOut(16, 0x22)
        self.assertEqual((kestrel.PortQinp(16), merlin.PortQinp(16)), (0x11, 0x22))

    def test_raw_access_reaches_the_board(self):
        for _, library in self.each_board():
            library.OutB(0x300, 0x1FF)  # the low byte only
            library.OutW(0x302, 0xBEEF)
            library.OutD(0x304, 0x12345678)
            self.assertEqual(library.InpB(0x300), 0xFF)
            self.assertEqual(library.InpW(0x302), 0xBEEF)
            self.assertEqual(library.InpD(0x304), 0x12345678)

    def test_bits_work_from_the_remembered_value(self):
        for _, library in self.each_board():
            library.PortOut(16, 0x0100)
            self.assertEqual(library.BitOn(16, 0), 16)
            self.assertEqual(library.PortQinp(16), 0x0101)
            self.assertEqual(library.BitOff(16, 8), 16)
            self.assertEqual(library.BitOn(16, 35), 16)  # bit 35 acts as 3
            self.assertEqual(library.PortQinp(16), 0x0009)
            self.assertEqual((library.TestQbit(16, 3), library.TestQbit(16, 8)), (1, 0))

    def test_io_block_of_a_group(self):
        for _, library in self.each_board():
            for index in range(6):
                library.PortOut(32 + index, 0x1230 + index)
            block = library.io_block(0x25)
            self.assertEqual(list(block[:6]), [0x1230 + index for index in range(6)])
            self.assertEqual(list(block[6:8]), [0, 0])  # untouched by the library
            self.assertEqual(list(block[14:]), [0, 0])  # inputs 6 and 7 are no ports

    def test_relay_load_keeps_bits_6_and_7_of_the_line_port(self):
        for _, library in self.each_board():
            library.PortOut(LINE_PORT, 0xC5)
            library.ContRelay(0x8421)
            self.assertEqual(library.PortQinp(LINE_PORT), 0xC0)
            library.PortOut(LINE_PORT, 0x45)
            library.LineCurrent(0x35)
            self.assertEqual(library.PortQinp(LINE_PORT), 0x40)

    def test_signal_controls_leave_their_port_at_0(self):
        for _, library in self.each_board():
            library.PortOut(SIGNAL_PORT, 0xFF)
            library.ContSigSW(0x1234)
            self.assertEqual(library.PortQinp(SIGNAL_PORT), 0)

    def test_exchange_patterns_and_refusals(self):
        for _, library in self.each_board():
            for pattern, mode, result, line_port in EXCHANGES:
                with self.subTest(pattern=pattern, mode=mode):
                    library.PortOut(LINE_PORT, 0x45)
                    self.assertEqual(library.ExchgLine(mode, pattern), result)
                    self.assertEqual(library.PortQinp(LINE_PORT), line_port)

    def test_ticks_and_click(self):
        for _, library in self.each_board():
            self.assertEqual(library.HdTimer(0), 0)
            self.assertEqual(library.HdTimer(3), 0)
            # Click keeps the other bits as remembered, limited to a byte, and
            # leaves bit 0 low.
            library.PortOut(CLICK_PORT, 0x1F1)
            library.Click(7)
            self.assertEqual(library.PortQinp(CLICK_PORT), 0xF0)

    def test_test2_writes_ten_bytes(self):
        for _, library in self.each_board():
            buffer = bytearray(b"\xee" * 11)
            self.assertEqual(library.Test2(buffer), 11)
            self.assertEqual(bytes(buffer), b"123456789:\xee")

    def test_conversions(self):
        for _, library in self.each_board():
            self.assertEqual(list(library.chrval2(b"\x34\x12\xff\xff")), [0x1234, 0xFFFF])
            self.assertEqual(library.valchr2(array.array("H", [0x1234, 0xFFFE])), b"\x34\x12\xfe\xff")
            self.assertEqual(list(library.chrval1(b"\xff\x01")), [255, 1])
            self.assertEqual(library.valchr1(array.array("h", [0x1234, -1])), b"\x34\xff")
            words = array.array("H", [0xA55A, 0x0102, 0xFFFF])
            self.assertEqual(list(library.chrval2(library.valchr2(words))), list(words))


if __name__ == "__main__":
    unittest.main()
