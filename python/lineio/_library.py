"""One loaded library: the 37 exports with their prototypes, the pointer
exports behind buffer checks, and helpers that allocate the arrays."""

import array
import types
from collections import namedtuple

from . import _buffers as buffers
from ._buffers import BYTES, FLOATS, WORDS, uint16
from ._loading import find_library, open_library
from ._prototypes import POINTER_EXPORTS, PROTOTYPES

# Window selectors and directions of FFT32.
WINDOW_NONE = 0
WINDOW_RECTANGULAR = 1
WINDOW_HAMMING = 2
WINDOW_HANN = 3
FORWARD = 0
INVERSE = 1

# What HdTimer gives when the Escape key (or no board) ended the wait, and
# what ExchgLine gives for a refused pattern.
ESCAPE_STATUS = 0x8000
PATTERN_REFUSED = 0xFFFF

# Longest transform FFTK32 prepares tables for, and longest FFT32 runs.
MAX_TABLE_LENGTH = 16384
MAX_TRANSFORM_LENGTH = 32768

TEST2_BYTES = 10
BLOCK_WORDS = 16
PATTERN_CHARACTERS = 10

FftTables = namedtuple("FftTables", "n cosine sine permutation")
Transform = namedtuple("Transform", "real imaginary")


def is_transform_length(n, limit):
    """A power of two from 2 up to the limit: the lengths the transform
    exports work on (any other n writes nothing)."""
    return 2 <= n <= limit and n & (n - 1) == 0


def _no_null(*pointers):
    """False when a pointer that the export tests is null: it then reads and
    writes nothing at all."""
    return all(pointer is not None for pointer in pointers)


def _window_reads_samples(window):
    return window in (WINDOW_RECTANGULAR, WINDOW_HAMMING, WINDOW_HANN)


def _pattern_bytes(pattern):
    """The pattern as bytes. A shorter one ends in a zero byte, which the
    library refuses, so it never reads past the end; a str is taken one
    character per byte."""
    if pattern is None:
        return None
    data = pattern.encode("latin-1") if isinstance(pattern, str) else bytes(pattern)
    if len(data) < PATTERN_CHARACTERS:
        data += b"\0"
    return data


class Library:
    """A loaded lineio library: libkestrel / Kestrel.dll, libmerlin /
    Merlin.dll, or a simulation flavour of either.

    Every export is an attribute of the same name. Those that take only
    integers are the ctypes functions themselves. Those that take pointers
    check each buffer's element type and length first and raise TypeError or
    BufferTooShort instead of letting the library read or write past its end;
    None passes a null pointer. `raw` holds all 37 ctypes functions unchecked.
    """

    def __init__(self, path):
        self.path = str(path)
        self._dll = open_library(self.path)
        self.raw = types.SimpleNamespace()
        for name, (result, arguments) in PROTOTYPES.items():
            function = getattr(self._dll, name)
            function.restype = result
            function.argtypes = arguments
            setattr(self.raw, name, function)
            if name not in POINTER_EXPORTS:
                setattr(self, name, function)

    def __repr__(self):
        return f"<lineio.Library {self.path!r}>"

    # ---- Pointer exports, checked --------------------------------------------

    def Test2(self, buffer):
        return self.raw.Test2(buffers.written(buffer, BYTES, TEST2_BYTES, "buffer"))

    def GetIOBlockData(self, port, block):
        port = uint16(port, "port")
        return self.raw.GetIOBlockData(port, buffers.written(block, WORDS, BLOCK_WORDS, "block"))

    def ExchgLine(self, mode, pattern):
        mode = uint16(mode, "mode")
        return self.raw.ExchgLine(mode, _pattern_bytes(pattern))

    def FFTK32(self, n, cosine, sine, permutation):
        n = uint16(n, "n")
        acts = is_transform_length(n, MAX_TABLE_LENGTH) and _no_null(cosine, sine, permutation)
        needed = n + 1 if acts else 0
        self.raw.FFTK32(
            n,
            buffers.written(cosine, FLOATS, needed, "cosine"),
            buffers.written(sine, FLOATS, needed, "sine"),
            buffers.written(permutation, WORDS, needed, "permutation"),
        )

    def FFT32(self, n, cosine, sine, real, imaginary, permutation, window, samples, direction):
        n = uint16(n, "n")
        window = uint16(window, "window")
        direction = uint16(direction, "direction")
        reads_samples = _window_reads_samples(window)
        acts = is_transform_length(n, MAX_TRANSFORM_LENGTH) and _no_null(
            cosine, sine, real, imaginary, permutation, samples if reads_samples else 0
        )
        tables = n // 2 + 1 if acts else 0  # only elements 1..n/2 are read
        whole = n + 1 if acts else 0
        self.raw.FFT32(
            n,
            buffers.read(cosine, FLOATS, tables, "cosine"),
            buffers.read(sine, FLOATS, tables, "sine"),
            buffers.written(real, FLOATS, whole, "real"),
            buffers.written(imaginary, FLOATS, whole, "imaginary"),
            buffers.read(permutation, WORDS, whole, "permutation"),
            window,
            buffers.read(samples, FLOATS, whole if reads_samples else 0, "samples"),
            direction,
        )

    def FFTP32(self, n, real, imaginary):
        n = uint16(n, "n")
        converted = n // 2 + 1 if _no_null(real, imaginary) else 0
        self.raw.FFTP32(
            n,
            buffers.written(real, FLOATS, converted, "real"),
            buffers.read(imaginary, FLOATS, converted, "imaginary"),
        )

    def CHRVAL1(self, source, words, count):
        count = uint16(count, "count")
        needed = count if _no_null(source, words) else 0
        self.raw.CHRVAL1(
            buffers.read(source, BYTES, needed, "bytes"),
            buffers.written(words, WORDS, needed, "words"),
            count,
        )

    def CHRVAL2(self, source, words, count):
        count = uint16(count, "count")
        needed = count if _no_null(source, words) else 0
        self.raw.CHRVAL2(
            buffers.read(source, BYTES, 2 * needed, "bytes"),
            buffers.written(words, WORDS, needed, "words"),
            count,
        )

    def VALCHR1(self, source, destination, count):
        count = uint16(count, "count")
        needed = count if _no_null(source, destination) else 0
        self.raw.VALCHR1(
            buffers.read(source, WORDS, needed, "words"),
            buffers.written(destination, BYTES, needed, "bytes"),
            count,
        )

    def VALCHR2(self, source, destination, count):
        count = uint16(count, "count")
        needed = count if _no_null(source, destination) else 0
        self.raw.VALCHR2(
            buffers.read(source, WORDS, needed, "words"),
            buffers.written(destination, BYTES, 2 * needed, "bytes"),
            count,
        )

    # ---- Helpers that allocate their arrays ----------------------------------

    def io_block(self, port):
        """GetIOBlockData into a new array of 16 words (words 6 and 7, which a
        group block leaves untouched, stay 0)."""
        block = array.array("H", bytes(2 * BLOCK_WORDS))
        self.GetIOBlockData(port, block)
        return block

    def fft_tables(self, n):
        """FFTK32 into new arrays of n + 1 elements (element 0 stays 0)."""
        n = int(n)
        if not is_transform_length(n, MAX_TABLE_LENGTH):
            raise ValueError(f"FFTK32 takes powers of two from 2 to {MAX_TABLE_LENGTH}, not {n}")
        tables = FftTables(n, _floats(n + 1), _floats(n + 1), array.array("H", bytes(2 * n + 2)))
        self.FFTK32(n, tables.cosine, tables.sine, tables.permutation)
        return tables

    def fft(self, tables, samples, window=WINDOW_RECTANGULAR, direction=FORWARD):
        """FFT32 of n real samples (a sequence of exactly n numbers, the
        library's elements 1..n) with window 1, 2 or 3. Gives new real and
        imaginary arrays of n + 1 elements in the library's layout: element 0
        the header 5000 div n (and 0), element k + 1 frequency k."""
        n = self._transform_length(tables)
        if not _window_reads_samples(window):
            raise ValueError(f"window {window} reads no samples: fft_complex transforms complex data")
        padded = _floats_after_header(samples, n, "samples")
        result = Transform(_floats(n + 1), _floats(n + 1))
        self.FFT32(n, tables.cosine, tables.sine, *result, tables.permutation, window, padded, direction)
        return result

    def fft_complex(self, tables, real, imaginary, direction=FORWARD):
        """FFT32 with no window on complex data: real and imaginary are n
        numbers each (elements 1..n). Gives new arrays as fft does."""
        n = self._transform_length(tables)
        result = Transform(
            _floats_after_header(real, n, "real"), _floats_after_header(imaginary, n, "imaginary")
        )
        self.FFT32(n, tables.cosine, tables.sine, *result, tables.permutation, WINDOW_NONE, None, direction)
        return result

    def spectrum(self, real, imaginary):
        """FFTP32 on a copy of a transform result (n + 1 elements each, as fft
        gives them): elements 0..n/2 of the copy become amplitudes."""
        if len(real) != len(imaginary) or len(real) < 1:
            raise ValueError("real and imaginary must have the same length, n + 1 elements")
        amplitudes = array.array("f", real)
        self.FFTP32(len(real) - 1, amplitudes, imaginary)
        return amplitudes

    def chrval1(self, data):
        """CHRVAL1: each byte widened to a word."""
        words = array.array("H", bytes(2 * len(data)))
        self.CHRVAL1(data, words, _count(len(data)))
        return words

    def chrval2(self, data):
        """CHRVAL2: little-endian byte pairs packed into words."""
        if len(data) % 2 != 0:
            raise ValueError("CHRVAL2 takes pairs of bytes: the length must be even")
        words = array.array("H", bytes(len(data)))
        self.CHRVAL2(data, words, _count(len(data) // 2))
        return words

    def valchr1(self, words):
        """VALCHR1: the low byte of each word."""
        count = _count(buffers.length(words, WORDS, "words"))
        data = bytearray(count)
        self.VALCHR1(words, data, count)
        return bytes(data)

    def valchr2(self, words):
        """VALCHR2: each word as a little-endian pair of bytes."""
        count = _count(buffers.length(words, WORDS, "words"))
        data = bytearray(2 * count)
        self.VALCHR2(words, data, count)
        return bytes(data)

    @staticmethod
    def _transform_length(tables):
        n = int(tables.n)
        if not is_transform_length(n, MAX_TRANSFORM_LENGTH):
            raise ValueError(f"FFT32 runs a power of two from 2 to {MAX_TRANSFORM_LENGTH}, not {n}")
        return n


def _floats(count):
    return array.array("f", bytes(4 * count))


def _floats_after_header(values, n, name):
    """Element 0 (outside the transform) followed by the n values."""
    result = array.array("f", [0.0])
    result.extend(array.array("f", values))
    if len(result) != n + 1:
        raise ValueError(f"{name}: {n} values for a transform of length {n}, not {len(result) - 1}")
    return result


def _count(count):
    return uint16(count, "count")


def load(library="kestrel", simulated=False):
    """Loads a library by board name ("kestrel" or "merlin") or by path; see
    find_library for how a board name is found."""
    return Library(find_library(library, simulated=simulated))
