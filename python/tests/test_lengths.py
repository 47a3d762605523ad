"""Every export that takes a pointer checks its buffers first: one element too
few, the wrong element type or a read-only output raises before the library
is called; exactly enough reaches it."""

import array
import ctypes
import unittest

import lineio
from support import Spy, floats, simulated, words


def table(n=8, missing=None, **given):
    """FFT32's arguments for n (window 1) with every buffer just long enough,
    one of them (`missing`) an element short, and any replaced by `given`."""
    sizes = {"cosine": n // 2 + 1, "sine": n // 2 + 1, "real": n + 1, "imaginary": n + 1, "samples": n + 1}
    arguments = {name: floats(size - (name == missing)) for name, size in sizes.items()}
    arguments["permutation"] = words(n + 1 - (missing == "permutation"))
    arguments.update(given)
    return arguments


def fft32(library, n=8, window=lineio.WINDOW_RECTANGULAR, missing=None, **given):
    a = table(n, missing, **given)
    library.FFT32(
        n, a["cosine"], a["sine"], a["real"], a["imaginary"], a["permutation"], window, a["samples"], 0
    )


# export, call with every buffer exactly long enough, call with one element
# too few (one row per buffer).
CASES = [
    ("Test2", lambda lib: lib.Test2(bytearray(10)), [lambda lib: lib.Test2(bytearray(9))]),
    (
        "GetIOBlockData",
        lambda lib: lib.GetIOBlockData(0x20, words(16)),
        [lambda lib: lib.GetIOBlockData(0x20, words(15))],
    ),
    (
        "FFTK32",
        lambda lib: lib.FFTK32(8, floats(9), floats(9), words(9)),
        [
            lambda lib: lib.FFTK32(8, floats(8), floats(9), words(9)),
            lambda lib: lib.FFTK32(8, floats(9), floats(8), words(9)),
            lambda lib: lib.FFTK32(8, floats(9), floats(9), words(8)),
        ],
    ),
    (
        "FFT32",
        lambda lib: fft32(lib),
        [
            (lambda name: lambda lib: fft32(lib, missing=name))(name)
            for name in ("cosine", "sine", "real", "imaginary", "permutation", "samples")
        ],
    ),
    (
        "FFTP32",
        lambda lib: lib.FFTP32(9, floats(5), floats(5)),
        [lambda lib: lib.FFTP32(9, floats(4), floats(5)), lambda lib: lib.FFTP32(9, floats(5), floats(4))],
    ),
    (
        "CHRVAL1",
        lambda lib: lib.CHRVAL1(bytes(4), words(4), 4),
        [lambda lib: lib.CHRVAL1(bytes(3), words(4), 4), lambda lib: lib.CHRVAL1(bytes(4), words(3), 4)],
    ),
    (
        "CHRVAL2",
        lambda lib: lib.CHRVAL2(bytes(8), words(4), 4),
        [lambda lib: lib.CHRVAL2(bytes(7), words(4), 4), lambda lib: lib.CHRVAL2(bytes(8), words(3), 4)],
    ),
    (
        "VALCHR1",
        lambda lib: lib.VALCHR1(words(4), bytearray(4), 4),
        [
            lambda lib: lib.VALCHR1(words(3), bytearray(4), 4),
            lambda lib: lib.VALCHR1(words(4), bytearray(3), 4),
        ],
    ),
    (
        "VALCHR2",
        lambda lib: lib.VALCHR2(words(4), bytearray(8), 4),
        [
            lambda lib: lib.VALCHR2(words(3), bytearray(8), 4),
            lambda lib: lib.VALCHR2(words(4), bytearray(7), 4),
        ],
    ),
]

# export, a call with a buffer of the wrong kind or a read-only output.
WRONG_BUFFERS = [
    ("FFT32", lambda lib: fft32(lib, real=array.array("d", [0.0] * 9))),
    ("FFT32", lambda lib: fft32(lib, permutation=array.array("i", [0] * 9))),
    ("FFTK32", lambda lib: lib.FFTK32(8, floats(9), floats(9), bytes(18))),
    ("CHRVAL1", lambda lib: lib.CHRVAL1(words(4), words(4), 4)),
    ("VALCHR1", lambda lib: lib.VALCHR1(words(4), bytes(4), 4)),  # read-only output
    ("Test2", lambda lib: lib.Test2("0123456789")),
]


class LengthsTest(unittest.TestCase):
    def setUp(self):
        self.library = simulated("kestrel")
        self.saved = dict(vars(self.library.raw))
        self.spies = {}
        for name in lineio._prototypes.POINTER_EXPORTS:
            self.spies[name] = Spy()
            setattr(self.library.raw, name, self.spies[name])

    def tearDown(self):
        vars(self.library.raw).update(self.saved)

    def test_too_short_raises_before_the_call(self):
        for name, enough, too_short in CASES:
            for number, call in enumerate(too_short):
                with self.subTest(export=name, buffer=number):
                    with self.assertRaises(lineio.BufferTooShort):
                        call(self.library)
            self.assertEqual(self.spies[name].calls, [], name)
            with self.subTest(export=name, buffers="exact"):
                enough(self.library)
                self.assertEqual(len(self.spies[name].calls), 1)

    def test_wrong_buffers_raise_before_the_call(self):
        for name, call in WRONG_BUFFERS:
            with self.subTest(export=name):
                with self.assertRaises(TypeError):
                    call(self.library)
                self.assertEqual(self.spies[name].calls, [])

    def test_buffers_the_library_does_not_touch_are_not_checked(self):
        # An n that is no transform length writes nothing; window 0 reads no
        # samples; with a null pointer the export reads and writes nothing.
        self.library.FFTK32(6, floats(1), floats(1), words(1))
        fft32(self.library, window=lineio.WINDOW_NONE, samples=None)
        fft32(self.library, window=lineio.WINDOW_NONE, samples=floats(1))
        fft32(self.library, real=None, cosine=floats(1))
        self.library.CHRVAL2(None, words(1), 4)
        self.assertEqual(len(self.spies["FFTK32"].calls), 1)
        self.assertEqual(len(self.spies["FFT32"].calls), 3)
        self.assertIsNone(self.spies["FFT32"].calls[0][7])
        self.assertIsNone(self.spies["CHRVAL2"].calls[0][0])

    def test_16_bit_arguments_out_of_range_raise(self):
        # A window of 65537 would reach the library as 1 and read the samples.
        with self.assertRaises(ValueError):
            fft32(self.library, window=0x10001, samples=None)
        with self.assertRaises(ValueError):
            self.library.CHRVAL1(bytes(4), words(4), -1)
        self.assertEqual(self.spies["FFT32"].calls + self.spies["CHRVAL1"].calls, [])

    def test_ctypes_arrays_and_memoryviews_are_buffers(self):
        cosine = (ctypes.c_float * 9)()
        sine = memoryview(floats(9))
        permutation = (ctypes.c_short * 9)()
        self.library.FFTK32(8, cosine, sine, permutation)
        self.assertEqual(len(self.spies["FFTK32"].calls), 1)


class HelperArgumentsTest(unittest.TestCase):
    """The allocating helpers refuse what they cannot turn into a call."""

    def test_helpers_raise_value_error(self):
        library = simulated("kestrel")
        tables = library.fft_tables(8)
        cases = [
            ("a length that is no power of two", lambda: library.fft_tables(6)),
            ("a length above FFTK32's", lambda: library.fft_tables(32768)),
            ("seven samples for eight", lambda: library.fft(tables, [0.0] * 7)),
            ("a window that reads no samples", lambda: library.fft(tables, [0.0] * 8, lineio.WINDOW_NONE)),
            ("an odd number of bytes", lambda: library.chrval2(b"abc")),
            ("real and imaginary of different lengths", lambda: library.spectrum(floats(9), floats(8))),
        ]
        for what, call in cases:
            with self.subTest(what):
                with self.assertRaises(ValueError):
                    call()


class NullAndInvalidTest(unittest.TestCase):
    """What the library does with the calls the module lets through."""

    def test_fftk32_with_an_invalid_length_writes_nothing(self):
        library = simulated("kestrel")
        cosine, sine, permutation = floats(3), floats(3), words(3)
        cosine[1] = sine[1] = 7.0
        permutation[1] = 7
        library.FFTK32(6, cosine, sine, permutation)
        self.assertEqual((cosine[1], sine[1], permutation[1]), (7.0, 7.0, 7))

    def test_null_arrays_write_nothing(self):
        library = simulated("merlin")
        destination = words(2)
        destination[0] = 0x5555
        library.CHRVAL1(None, destination, 2)
        self.assertEqual(destination[0], 0x5555)
        self.assertEqual(library.Test2(None), 11)


if __name__ == "__main__":
    unittest.main()
