"""Every export's arguments are checked before the library is called: an
integer argument that is no integer raises TypeError, one out of its C
type's range ValueError, text is taken only where the export takes text; each
message names the export and the argument. Arrays are taken as buffers, lists
and numpy arrays alike."""

import array
import ctypes
import unittest

import lineio
from support import Spy, floats, simulated, words

try:
    import numpy
except ImportError:  # the numpy cases are skipped
    numpy = None


# export: arguments of a call that is valid as it stands (integers where the
# export takes integers).
VALID = {
    "PortInit": (0,),
    "PortEnd": (),
    "CheckPCtype": (),
    "Test": (0,),
    "Test2": (bytearray(10),),
    "InpB": (0x310,),
    "InpW": (0x310,),
    "InpD": (0x310,),
    "OutB": (0x310, 1),
    "OutW": (0x310, 1),
    "OutD": (0x310, 1),
    "PortOut": (16, 1),
    "PortQinp": (16,),
    "PortIinp": (16,),
    "AllOutClear": (),
    "BitOn": (16, 1),
    "BitOff": (16, 1),
    "TestQbit": (16, 1),
    "TestIbit": (16, 1),
    "GetIOBlockData": (0x20, words(16)),
    "ContFreq": (1, 2),
    "ContLevel": (1,),
    "ContDirect": (1,),
    "ContSigSW": (1,),
    "ContBellDA": (1,),
    "ContRelay": (1,),
    "LineCurrent": (1,),
    "HdTimer": (1,),
    "Click": (1,),
    "ExchgLine": (0, "A5123489AB"),
    "FFTK32": (8, floats(9), floats(9), words(9)),
    "FFT32": (8, floats(9), floats(9), floats(9), floats(9), words(9), 1, floats(9), 0),
    "FFTP32": (8, floats(9), floats(9)),
    "CHRVAL1": (bytes(4), words(4), 4),
    "CHRVAL2": (bytes(8), words(4), 4),
    "VALCHR1": (words(4), bytearray(4), 4),
    "VALCHR2": (words(4), bytearray(8), 4),
}

# C type: values out of its range, below and above.
OUT_OF_RANGE = {
    ctypes.c_uint16: (-1, 0x10000),
    ctypes.c_uint32: (-1, 0x1_0000_0000),
    ctypes.c_int32: (-(2**31) - 1, 2**31),
}

NOT_INTEGERS = ("x", b"7", 1.0, None, [1])


def integer_arguments(export):
    """(position, name, C type) of each integer argument of the export."""
    _, types = lineio.PROTOTYPES[export]
    names = lineio.ARGUMENT_NAMES[export]
    return [
        (position, name, ctype)
        for position, (name, ctype) in enumerate(zip(names, types))
        if ctype in OUT_OF_RANGE
    ]


def pointer_arguments(export):
    """(position, name) of each pointer argument of the export."""
    _, types = lineio.PROTOTYPES[export]
    names = lineio.ARGUMENT_NAMES[export]
    return [(position, name) for position, (name, ctype) in enumerate(zip(names, types)) if ctype not in OUT_OF_RANGE]


def replaced(arguments, position, value):
    return arguments[:position] + (value,) + arguments[position + 1 :]


class SpiedTest(unittest.TestCase):
    """The library's raw functions replaced by spies: nothing reaches the board."""

    def setUp(self):
        self.library = simulated("kestrel")
        self.saved = dict(vars(self.library.raw))
        self.spies = {name: Spy() for name in lineio.PROTOTYPES}
        vars(self.library.raw).update(self.spies)

    def tearDown(self):
        vars(self.library.raw).update(self.saved)

    def call(self, export, arguments):
        return getattr(self.library, export)(*arguments)


class IntegerArgumentsTest(SpiedTest):
    def test_the_table_covers_every_export(self):
        # The extension calls take no integers from a host (test_status).
        self.assertEqual(sorted(VALID), sorted(set(lineio.PROTOTYPES) - set(lineio.EXTENSIONS)))

    def test_valid_integers_reach_the_library_as_given(self):
        for export, arguments in VALID.items():
            with self.subTest(export=export):
                self.call(export, arguments)
                (passed,) = self.spies[export].calls
                for position, _, _ in integer_arguments(export):
                    self.assertEqual(passed[position], arguments[position])

    def test_extremes_of_each_range_pass(self):
        for export, arguments in VALID.items():
            for position, name, ctype in integer_arguments(export):
                if name in ("n", "count"):
                    continue  # these size the buffers (test_lengths)
                low, high = OUT_OF_RANGE[ctype]
                for value in (low + 1, high - 1):
                    with self.subTest(export=export, argument=name, value=value):
                        self.call(export, replaced(arguments, position, value))
                        self.assertEqual(self.spies[export].calls[-1][position], value)

    def test_no_integer_raises_type_error_naming_export_and_argument(self):
        for export, arguments in VALID.items():
            for position, name, _ in integer_arguments(export):
                for value in NOT_INTEGERS:
                    with self.subTest(export=export, argument=name, value=value):
                        with self.assertRaises(TypeError) as raised:
                            self.call(export, replaced(arguments, position, value))
                        self.assertIn(f"{export}: {name} ", str(raised.exception))
            self.assertEqual(self.spies[export].calls, [], export)

    def test_out_of_range_raises_value_error_naming_export_and_argument(self):
        for export, arguments in VALID.items():
            for position, name, ctype in integer_arguments(export):
                for value in OUT_OF_RANGE[ctype]:
                    with self.subTest(export=export, argument=name, value=value):
                        with self.assertRaises(ValueError) as raised:
                            self.call(export, replaced(arguments, position, value))
                        self.assertIn(f"{export}: {name} is ", str(raised.exception))
                        self.assertIn(str(value), str(raised.exception))
            self.assertEqual(self.spies[export].calls, [], export)

    def test_the_examples_of_misuse(self):
        cases = [
            (TypeError, "PortOut: port is an integer argument, not text ('x')", lambda: self.library.PortOut("x", 1)),
            (ValueError, "PortOut: value is a 16-bit argument (0 to 65535), not 70000", lambda: self.library.PortOut(16, 70000)),
            (TypeError, "ExchgLine: pattern is text (str or bytes), not int", lambda: self.library.ExchgLine(0, 12345)),
            (ValueError, "HdTimer: ticks is a 32-bit argument (0 to 4294967295), not -1", lambda: self.library.HdTimer(-1)),
        ]
        for error, message, call in cases:
            with self.subTest(message):
                with self.assertRaises(error) as raised:
                    call()
                self.assertEqual(str(raised.exception), message)
        self.assertEqual(self.spies["PortOut"].calls + self.spies["ExchgLine"].calls, [])

    def test_numpy_integers_are_integers(self):
        if numpy is None:
            self.skipTest("numpy is not installed")
        self.library.PortOut(numpy.uint16(16), numpy.int64(0x1A5))
        self.assertEqual(self.spies["PortOut"].calls, [(16, 0x1A5)])


class TextTest(SpiedTest):
    def test_text_only_where_the_export_takes_text(self):
        for export, arguments in VALID.items():
            for position, name in pointer_arguments(export):
                if export == "ExchgLine":
                    continue
                with self.subTest(export=export, argument=name):
                    with self.assertRaises(TypeError) as raised:
                        self.call(export, replaced(arguments, position, "0123456789"))
                    self.assertIn(f"{export}: {name}", str(raised.exception))
            self.assertEqual(self.spies[export].calls, [], export)

    def test_the_pattern_is_text(self):
        for pattern in ("A5123489AB", b"A5123489AB", bytearray(b"A5123489AB")):
            with self.subTest(pattern=pattern):
                self.library.ExchgLine(0, pattern)
                self.assertEqual(self.spies["ExchgLine"].calls[-1][1], b"A5123489AB")
        for pattern in (12345, 1.5, [0x41] * 10, array.array("B", b"A5123489AB")):
            with self.subTest(pattern=pattern):
                with self.assertRaises(TypeError):
                    self.library.ExchgLine(0, pattern)
        with self.assertRaises(ValueError):
            self.library.ExchgLine(0, "A5123489A\u20ac")
        self.assertEqual(len(self.spies["ExchgLine"].calls), 3)


class ListsAndArraysTest(unittest.TestCase):
    """Lists and numpy arrays wherever the export takes an array, against the
    simulation flavour: the library's results are the same as with buffers."""

    def setUp(self):
        self.library = simulated("merlin")

    def test_lists_in_and_out(self):
        library = self.library
        block = [7] * 16
        library.PortOut(0x21, 0x1234)
        library.GetIOBlockData(0x20, block)
        self.assertEqual(block[1], 0x1234)
        self.assertEqual(block[6:8], [7, 7])  # words the library leaves alone stay as they were

        written = [0] * 4
        library.CHRVAL2([0x34, 0x12, 0xFF, 0xFF], written, 2)
        self.assertEqual(written, [0x1234, 0xFFFF, 0, 0])
        data = [0] * 4
        library.VALCHR2((0x1234, -2), data, 2)  # a negative word is its 16 bits
        self.assertEqual(data, [0x34, 0x12, 0xFE, 0xFF])

        text = [0] * 10
        self.assertEqual(library.Test2(text), 11)
        self.assertEqual(bytes(text), b"123456789:")

    def test_list_values_are_checked(self):
        cases = [
            (ValueError, lambda: self.library.CHRVAL1([256], [0], 1)),
            (ValueError, lambda: self.library.VALCHR1([0x10000], [0], 1)),
            (TypeError, lambda: self.library.VALCHR1([1.5], [0], 1)),
            (TypeError, lambda: self.library.FFTP32(2, ["a", 0.0], [0.0, 0.0])),
            (TypeError, lambda: self.library.CHRVAL1([1], (0,), 1)),  # a tuple cannot be written
            (lineio.BufferTooShort, lambda: self.library.CHRVAL1([1, 2], [0], 2)),
        ]
        for number, (error, call) in enumerate(cases):
            with self.subTest(case=number):
                with self.assertRaises(error):
                    call()

    def test_helpers_take_lists_tuples_and_arrays(self):
        library = self.library
        expected = list(library.spectrum(array.array("f", [1.0, 0.0, 0.0, 0.0])))
        for samples in ([1.0, 0.0, 0.0, 0.0], (1, 0, 0, 0), array.array("d", [1.0, 0.0, 0.0, 0.0])):
            with self.subTest(samples=type(samples).__name__):
                self.assertEqual(list(library.spectrum(samples)), expected)
        transform = library.fft(library.fft_tables(4), [0, 1, 0, 0])
        self.assertEqual(list(library.amplitudes(list(transform.real), list(transform.imaginary))),
                         list(library.amplitudes(*transform)))

    def test_numpy_arrays_in_and_out(self):
        if numpy is None:
            self.skipTest("numpy is not installed")
        library = self.library
        n = 8
        tables = library.fft_tables(n)
        samples = numpy.arange(n + 1, dtype=numpy.float64)  # another dtype: converted
        real64 = numpy.zeros(n + 1)  # float64 outputs: filled after the call
        imaginary64 = numpy.zeros(n + 1)
        library.FFT32(n, tables.cosine, tables.sine, real64, imaginary64, tables.permutation, 1, samples, 0)
        real32 = numpy.zeros(n + 1, dtype=numpy.float32)  # the library's dtype: written in place
        imaginary32 = numpy.zeros(n + 1, dtype=numpy.float32)
        library.FFT32(n, tables.cosine, tables.sine, real32, imaginary32, tables.permutation, 1,
                      samples.astype(numpy.float32), 0)
        self.assertEqual(real64.tolist(), real32.astype(numpy.float64).tolist())
        self.assertEqual(imaginary64.tolist(), imaginary32.astype(numpy.float64).tolist())
        self.assertEqual(real32[0], 5000 // n)

        words64 = numpy.array([0x1234, 0xFFFE], dtype=numpy.int64)
        self.assertEqual(library.valchr2(words64), b"\x34\x12\xfe\xff")
        with self.assertRaises(ValueError):
            library.valchr2(numpy.array([0x10000]))
        with self.assertRaises(TypeError):  # an int8 array cannot hold words
            library.CHRVAL1(b"\x01", numpy.zeros(1, dtype=numpy.int8), 1)
        with self.assertRaises(TypeError):  # floats are no words
            library.VALCHR1(numpy.zeros(1), bytearray(1), 1)
        strided = numpy.zeros(2 * (n + 1), dtype=numpy.float32)[::2]  # not contiguous: filled after
        strided[...] = real32
        library.FFTP32(n, strided, imaginary32)
        self.assertEqual(strided[0], 5000 // n)


if __name__ == "__main__":
    unittest.main()
