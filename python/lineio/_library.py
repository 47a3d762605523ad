"""One loaded library: the 37 exports and the extension calls with their
arguments checked, and helpers that allocate the arrays."""

from __future__ import annotations

import ctypes
import os
import types
from typing import Any, Dict, NamedTuple, Optional, Sequence, Union

from . import _arrays, _flavours
from ._arrays import Floats, Words
from ._buffers import BYTES, FLOATS, WORDS, Arguments, length
from ._integers import integer
from ._loading import LibraryName, find_library, open_library
from ._prototypes import ARGUMENT_NAMES, PROTOTYPES

# Window selectors and directions of FFT32.
WINDOW_NONE = 0
WINDOW_RECTANGULAR = 1
WINDOW_HAMMING = 2
WINDOW_HANN = 3
FORWARD = 0
INVERSE = 1

# The windows by name, as spectrum() takes them.
WINDOWS = {"rectangular": WINDOW_RECTANGULAR, "hamming": WINDOW_HAMMING, "hann": WINDOW_HANN}

# What HdTimer gives when the Escape key (or no board) ended the wait, and
# what ExchgLine gives for a refused pattern.
ESCAPE_STATUS = 0x8000
PATTERN_REFUSED = 0xFFFF

# How LineioBoardAccess says the board is reached.
ACCESS_NONE = 0
ACCESS_MEMORY = 1
ACCESS_IO = 2

# LineioLastFailure's codes by name (include/lineio.h, LINEIO_FAILURE_*).
FAILURES = {
    0: "none",
    1: "no driver",
    2: "driver too old",
    3: "no board",
    4: "card out of range",
    5: "lock held",
    6: "permission",
    7: "binding",
    8: "lockdown",
    9: "items",
    10: "map refused",
    11: "range above 4 GiB",
    12: "choice out of range",
    13: "function gone",
    14: "other",
}

# Longest transform FFTK32 prepares tables for, and longest FFT32 runs.
MAX_TABLE_LENGTH = 16384
MAX_TRANSFORM_LENGTH = 32768

TEST2_BYTES = 10
BLOCK_WORDS = 16
PATTERN_CHARACTERS = 10

# What a pointer argument takes: a buffer of the right element type, a list
# or tuple of numbers, a numpy array, or None for a null pointer
# (lineio._buffers).
ArrayArgument = Any
# What ExchgLine's pattern takes: text.
Pattern = Union[str, bytes, bytearray, None]
Window = Union[str, int]


class FftTables(NamedTuple):
    """FFTK32's tables for transforms of length n (n + 1 elements each)."""

    n: int
    cosine: Floats
    sine: Floats
    permutation: Words


class Failure(NamedTuple):
    """Why the last PortInit opened no board: LineioLastFailure's code, its
    name in FAILURES, and LineioFailureText (the lines the library printed)."""

    code: int
    name: str
    text: str


class Transform(NamedTuple):
    """FFT32's result, n + 1 elements each in the library's layout: element 0
    the header (5000 div n, and 0), element k + 1 frequency k."""

    real: Floats
    imaginary: Floats


def is_transform_length(n: int, limit: int) -> bool:
    """A power of two from 2 up to the limit: the lengths the transform
    exports work on (any other n writes nothing)."""
    return 2 <= n <= limit and n & (n - 1) == 0


def _no_null(*pointers: object) -> bool:
    """False when a pointer that the export tests is null: it then reads and
    writes nothing at all."""
    return all(pointer is not None for pointer in pointers)


def _window_reads_samples(window: int) -> bool:
    return window in (WINDOW_RECTANGULAR, WINDOW_HAMMING, WINDOW_HANN)


def _pattern_bytes(pattern: object) -> Optional[bytes]:
    """The pattern as bytes: text only (str, one character per byte, or
    bytes). A shorter one ends in a zero byte, which the library refuses, so
    it never reads past the end."""
    if pattern is None:
        return None
    if isinstance(pattern, str):
        try:
            data = pattern.encode("latin-1")
        except UnicodeEncodeError:
            raise ValueError(f"ExchgLine: pattern has characters outside one byte: {pattern!r}") from None
    elif isinstance(pattern, (bytes, bytearray)):
        data = bytes(pattern)
    else:
        raise TypeError(f"ExchgLine: pattern is text (str or bytes), not {type(pattern).__name__}")
    if len(data) < PATTERN_CHARACTERS:
        data += b"\0"
    return data


def _window_selector(window: object) -> int:
    if isinstance(window, str):
        if window.lower() in WINDOWS:
            return WINDOWS[window.lower()]
    elif isinstance(window, int) and _window_reads_samples(window):
        return window
    raise ValueError(f"window: one of {', '.join(WINDOWS)} (or 1 to 3), not {window!r}")


class Library:
    """A loaded lineio library: libkestrel / Kestrel.dll, libmerlin /
    Merlin.dll, or the simulation flavour of either.

    Every export is a method of the same name. Integer arguments are checked
    (TypeError for anything that is not an integer, ValueError out of the C
    type's range; both name the export and the argument); pointer arguments
    are checked for their element type and length (TypeError,
    BufferTooShort). `raw` holds every ctypes function, unchecked.
    """

    def __init__(self, library: LibraryName = "kestrel", simulated: bool = False) -> None:
        self.path = find_library(library, simulated=simulated)
        board = _flavours.board_of(str(library), self.path)
        _flavours.check(board, simulated)
        self._dll = open_library(self.path)
        self.file = _flavours.record(board, simulated, self._dll, self.path)
        self.simulated = simulated
        self.raw = types.SimpleNamespace()
        for name, (result, argument_types) in PROTOTYPES.items():
            function = getattr(self._dll, name)
            function.restype = result
            function.argtypes = argument_types
            setattr(self.raw, name, function)
        self._tables: Dict[int, FftTables] = {}

    def __repr__(self) -> str:
        return f"<lineio.{type(self).__name__} {self.path!r}>"

    def _call(self, export: str, *values: object) -> Any:
        """Calls an export that takes integers only, each checked first."""
        argument_types = PROTOTYPES[export][1]
        names = ARGUMENT_NAMES[export]
        checked = [integer(export, name, value, ctype) for name, value, ctype in zip(names, values, argument_types)]
        return getattr(self.raw, export)(*checked)

    # ---- Start-up, shutdown and probes -----------------------------------

    def PortInit(self, board: int) -> int:
        return int(self._call("PortInit", board))

    def PortEnd(self) -> int:
        return int(self._call("PortEnd"))

    def CheckPCtype(self) -> int:
        return int(self._call("CheckPCtype"))

    def Test(self, unused: int) -> int:
        return int(self._call("Test", unused))

    def Test2(self, buffer: ArrayArgument) -> int:
        arguments = Arguments("Test2")
        result = self.raw.Test2(arguments.written(buffer, BYTES, TEST2_BYTES, "buffer"))
        arguments.finish()
        return int(result)

    # ---- Raw register access ---------------------------------------------

    def InpB(self, offset: int) -> int:
        return int(self._call("InpB", offset))

    def InpW(self, offset: int) -> int:
        return int(self._call("InpW", offset))

    def InpD(self, offset: int) -> int:
        return int(self._call("InpD", offset))

    def OutB(self, offset: int, value: int) -> None:
        self._call("OutB", offset, value)

    def OutW(self, offset: int, value: int) -> None:
        self._call("OutW", offset, value)

    def OutD(self, offset: int, value: int) -> None:
        self._call("OutD", offset, value)

    # ---- Logical ports ---------------------------------------------------

    def PortOut(self, port: int, value: int) -> int:
        return int(self._call("PortOut", port, value))

    def PortQinp(self, port: int) -> int:
        return int(self._call("PortQinp", port))

    def PortIinp(self, port: int) -> int:
        return int(self._call("PortIinp", port))

    def AllOutClear(self) -> None:
        self._call("AllOutClear")

    # ---- Bits and blocks -------------------------------------------------

    def BitOn(self, port: int, bit: int) -> int:
        return int(self._call("BitOn", port, bit))

    def BitOff(self, port: int, bit: int) -> int:
        return int(self._call("BitOff", port, bit))

    def TestQbit(self, port: int, bit: int) -> int:
        return int(self._call("TestQbit", port, bit))

    def TestIbit(self, port: int, bit: int) -> int:
        return int(self._call("TestIbit", port, bit))

    def GetIOBlockData(self, port: int, block: ArrayArgument) -> None:
        arguments = Arguments("GetIOBlockData")
        port = arguments.integer("port", port)
        self.raw.GetIOBlockData(port, arguments.written(block, WORDS, BLOCK_WORDS, "block"))
        arguments.finish()

    # ---- Serial devices --------------------------------------------------

    def ContFreq(self, mode: int, word: int) -> None:
        self._call("ContFreq", mode, word)

    def ContLevel(self, level: int) -> None:
        self._call("ContLevel", level)

    def ContDirect(self, word: int) -> None:
        self._call("ContDirect", word)

    def ContSigSW(self, value: int) -> None:
        self._call("ContSigSW", value)

    def ContBellDA(self, value: int) -> None:
        self._call("ContBellDA", value)

    def ContRelay(self, word: int) -> None:
        self._call("ContRelay", word)

    def LineCurrent(self, value: int) -> None:
        self._call("LineCurrent", value)

    # ---- Board ticks -----------------------------------------------------

    def HdTimer(self, ticks: int) -> int:
        return int(self._call("HdTimer", ticks))

    def Click(self, ticks: int) -> None:
        self._call("Click", ticks)

    # ---- Exchange switching ----------------------------------------------

    def ExchgLine(self, mode: int, pattern: Pattern) -> int:
        mode = Arguments("ExchgLine").integer("mode", mode)
        return int(self.raw.ExchgLine(mode, _pattern_bytes(pattern)))

    # ---- Transform -------------------------------------------------------

    def FFTK32(self, n: int, cosine: ArrayArgument, sine: ArrayArgument, permutation: ArrayArgument) -> None:
        arguments = Arguments("FFTK32")
        n = arguments.integer("n", n)
        acts = is_transform_length(n, MAX_TABLE_LENGTH) and _no_null(cosine, sine, permutation)
        needed = n + 1 if acts else 0
        self.raw.FFTK32(
            n,
            arguments.written(cosine, FLOATS, needed, "cosine"),
            arguments.written(sine, FLOATS, needed, "sine"),
            arguments.written(permutation, WORDS, needed, "permutation"),
        )
        arguments.finish()

    def FFT32(
        self,
        n: int,
        cosine: ArrayArgument,
        sine: ArrayArgument,
        real: ArrayArgument,
        imaginary: ArrayArgument,
        permutation: ArrayArgument,
        window: int,
        samples: ArrayArgument,
        direction: int,
    ) -> None:
        arguments = Arguments("FFT32")
        n = arguments.integer("n", n)
        window = arguments.integer("window", window)
        direction = arguments.integer("direction", direction)
        reads_samples = _window_reads_samples(window)
        acts = is_transform_length(n, MAX_TRANSFORM_LENGTH) and _no_null(
            cosine, sine, real, imaginary, permutation, samples if reads_samples else 0
        )
        tables = n // 2 + 1 if acts else 0  # only elements 1..n/2 are read
        whole = n + 1 if acts else 0
        self.raw.FFT32(
            n,
            arguments.read(cosine, FLOATS, tables, "cosine"),
            arguments.read(sine, FLOATS, tables, "sine"),
            arguments.written(real, FLOATS, whole, "real"),
            arguments.written(imaginary, FLOATS, whole, "imaginary"),
            arguments.read(permutation, WORDS, whole, "permutation"),
            window,
            arguments.read(samples, FLOATS, whole if reads_samples else 0, "samples"),
            direction,
        )
        arguments.finish()

    def FFTP32(self, n: int, real: ArrayArgument, imaginary: ArrayArgument) -> None:
        arguments = Arguments("FFTP32")
        n = arguments.integer("n", n)
        converted = n // 2 + 1 if _no_null(real, imaginary) else 0
        self.raw.FFTP32(
            n,
            arguments.written(real, FLOATS, converted, "real"),
            arguments.read(imaginary, FLOATS, converted, "imaginary"),
        )
        arguments.finish()

    # ---- Array conversion ------------------------------------------------

    def CHRVAL1(self, bytes: ArrayArgument, words: ArrayArgument, count: int) -> None:
        self._convert("CHRVAL1", bytes, BYTES, 1, words, WORDS, 1, count)

    def CHRVAL2(self, bytes: ArrayArgument, words: ArrayArgument, count: int) -> None:
        self._convert("CHRVAL2", bytes, BYTES, 2, words, WORDS, 1, count)

    def VALCHR1(self, words: ArrayArgument, bytes: ArrayArgument, count: int) -> None:
        self._convert("VALCHR1", words, WORDS, 1, bytes, BYTES, 1, count)

    def VALCHR2(self, words: ArrayArgument, bytes: ArrayArgument, count: int) -> None:
        self._convert("VALCHR2", words, WORDS, 1, bytes, BYTES, 2, count)

    # ---- Extension calls: status, version and trace ---------------------

    def LineioBoardAccess(self) -> int:
        """ACCESS_NONE, ACCESS_MEMORY or ACCESS_IO: whether a board is open
        and how it is reached."""
        return int(self._call("LineioBoardAccess"))

    def LineioLastFailure(self) -> int:
        """The code of the last failed open (FAILURES names it); 0 for none."""
        return int(self._call("LineioLastFailure"))

    def LineioFailureText(self) -> str:
        """The text of the last failed open: the lines that went to standard
        output and standard error ("" for none)."""
        size = int(self.raw.LineioFailureText(None, 0)) + 1
        buffer = ctypes.create_string_buffer(size)
        self.raw.LineioFailureText(buffer, size)
        return buffer.value.decode("utf-8", "replace")

    def LineioVersion(self) -> str:
        """The library's version, "1.0.0"."""
        return bytes(self.raw.LineioVersion() or b"").decode("ascii", "replace")

    def LineioTrace(self, path: Union[str, "os.PathLike[str]", None]) -> int:
        """Starts a trace to the file at path ("stderr" for standard error),
        replacing one that runs; None stops it. 1 on success, 0 when the file
        cannot be opened (the library says why on standard error)."""
        if path is None:
            return int(self.raw.LineioTrace(None))
        if not isinstance(path, (str, os.PathLike)):
            raise TypeError(f"LineioTrace: path is text (str or a path), not {type(path).__name__}")
        return int(self.raw.LineioTrace(os.fsencode(path)))

    def last_failure(self) -> Failure:
        """Why the last PortInit opened no board, as code, name and text."""
        code = self.LineioLastFailure()
        return Failure(code, FAILURES.get(code, f"code {code}"), self.LineioFailureText())

    def trace(self, path: Union[str, "os.PathLike[str]", None]) -> None:
        """LineioTrace: starts a trace of every call, register access, serial
        device load and interrupt to the file (docs/trace.md); None stops it.
        OSError when the file cannot be opened."""
        if self.LineioTrace(path) == 0:
            shown = os.fspath(path) if path is not None else None
            raise OSError(f"LineioTrace: cannot trace to {shown!r} (the library said why on standard error)")

    def _convert(
        self,
        export: str,
        source: ArrayArgument,
        source_kind: Any,
        source_per_count: int,
        destination: ArrayArgument,
        destination_kind: Any,
        destination_per_count: int,
        count: int,
    ) -> None:
        """One of the four conversions: count words read or written, the
        byte side 1 or 2 bytes per word."""
        arguments = Arguments(export)
        count = arguments.integer("count", count)
        needed = count if _no_null(source, destination) else 0
        source_name, destination_name = ARGUMENT_NAMES[export][:2]
        getattr(self.raw, export)(
            arguments.read(source, source_kind, source_per_count * needed, source_name),
            arguments.written(destination, destination_kind, destination_per_count * needed, destination_name),
            count,
        )
        arguments.finish()

    # ---- Helpers that allocate their arrays ------------------------------

    def io_block(self, port: int) -> Words:
        """GetIOBlockData into a new array of 16 words (words 6 and 7, which a
        group block leaves untouched, stay 0)."""
        block = _arrays.words(BLOCK_WORDS)
        self.GetIOBlockData(port, block)
        return block

    def fft_tables(self, n: int) -> FftTables:
        """FFTK32 into new arrays of n + 1 elements (element 0 stays 0)."""
        n = integer("fft_tables", "n", n, PROTOTYPES["FFTK32"][1][0])
        if not is_transform_length(n, MAX_TABLE_LENGTH):
            raise ValueError(f"FFTK32 takes powers of two from 2 to {MAX_TABLE_LENGTH}, not {n}")
        tables = FftTables(n, _arrays.floats(n + 1), _arrays.floats(n + 1), _arrays.words(n + 1))
        self.FFTK32(n, tables.cosine, tables.sine, tables.permutation)
        return tables

    def fft(
        self,
        tables: FftTables,
        samples: Sequence[float],
        window: int = WINDOW_RECTANGULAR,
        direction: int = FORWARD,
    ) -> Transform:
        """FFT32 of n real samples (exactly n numbers: a list, a tuple or any
        array; the library's elements 1..n) with window 1, 2 or 3. Gives new
        real and imaginary arrays of n + 1 elements in the library's layout:
        element 0 the header 5000 div n (and 0), element k + 1 frequency k."""
        n = self._transform_length(tables)
        if not _window_reads_samples(window):
            raise ValueError(f"window {window} reads no samples: fft_complex transforms complex data")
        padded = _arrays.floats_after_header(samples, n, "samples")
        result = Transform(_arrays.floats(n + 1), _arrays.floats(n + 1))
        self.FFT32(n, tables.cosine, tables.sine, *result, tables.permutation, window, padded, direction)
        return result

    def fft_complex(
        self, tables: FftTables, real: Sequence[float], imaginary: Sequence[float], direction: int = FORWARD
    ) -> Transform:
        """FFT32 with no window on complex data: real and imaginary are n
        numbers each (elements 1..n). Gives new arrays as fft does."""
        n = self._transform_length(tables)
        result = Transform(
            _arrays.floats_after_header(real, n, "real"), _arrays.floats_after_header(imaginary, n, "imaginary")
        )
        self.FFT32(n, tables.cosine, tables.sine, *result, tables.permutation, WINDOW_NONE, None, direction)
        return result

    def amplitudes(self, real: Sequence[float], imaginary: Sequence[float]) -> Floats:
        """FFTP32 on a copy of a transform result (n + 1 elements each, as fft
        gives them): elements 0..n/2 of the copy become amplitudes (at least
        0.0003), the others keep their real parts."""
        if len(real) != len(imaginary) or len(real) < 1:
            raise ValueError("real and imaginary must have the same length, n + 1 elements")
        converted = _arrays.floats_from(real)
        self.FFTP32(len(real) - 1, converted, imaginary)
        return converted

    def spectrum(self, samples: Sequence[float], window: Window = "rectangular") -> Floats:
        """The magnitudes of the frequencies 0 to n/2 of n real samples (n a
        power of two from 2 to 16384), in natural order and without the
        library's header: n/2 + 1 values, as abs(numpy.fft.rfft(samples *
        window)) / n gives them. The window is "rectangular", "hamming" or
        "hann" (or WINDOW_RECTANGULAR, ...), with the library's 1/n in it.

        The transform is the library's (FFT32, with tables prepared once per
        length); the magnitudes are computed from it in double precision,
        without FFTP32's floor of 0.0003, so that small ones stay small."""
        selector = _window_selector(window)
        n = len(samples)
        if not is_transform_length(n, MAX_TABLE_LENGTH):
            raise ValueError(f"spectrum: takes a power of two from 2 to {MAX_TABLE_LENGTH} samples, not {n}")
        if n not in self._tables:
            self._tables[n] = self.fft_tables(n)
        transform = self.fft(self._tables[n], samples, selector)
        return _arrays.magnitudes(transform.real, transform.imaginary, 1, n // 2 + 1)

    def chrval1(self, data: ArrayArgument) -> Words:
        """CHRVAL1: each byte widened to a word."""
        count = length(data, BYTES, "CHRVAL1", "bytes")
        words = _arrays.words(count)
        self.CHRVAL1(data, words, count)
        return words

    def chrval2(self, data: ArrayArgument) -> Words:
        """CHRVAL2: little-endian byte pairs packed into words."""
        count = length(data, BYTES, "CHRVAL2", "bytes")
        if count % 2 != 0:
            raise ValueError("CHRVAL2 takes pairs of bytes: the length must be even")
        words = _arrays.words(count // 2)
        self.CHRVAL2(data, words, count // 2)
        return words

    def valchr1(self, words: ArrayArgument) -> bytes:
        """VALCHR1: the low byte of each word."""
        count = length(words, WORDS, "VALCHR1", "words")
        data = bytearray(count)
        self.VALCHR1(words, data, count)
        return bytes(data)

    def valchr2(self, words: ArrayArgument) -> bytes:
        """VALCHR2: each word as a little-endian pair of bytes."""
        count = length(words, WORDS, "VALCHR2", "words")
        data = bytearray(2 * count)
        self.VALCHR2(words, data, count)
        return bytes(data)

    @staticmethod
    def _transform_length(tables: FftTables) -> int:
        n = int(tables.n)
        if not is_transform_length(n, MAX_TRANSFORM_LENGTH):
            raise ValueError(f"FFT32 runs a power of two from 2 to {MAX_TRANSFORM_LENGTH}, not {n}")
        return n


def load(library: LibraryName = "kestrel", simulated: bool = False) -> Library:
    """Loads a library by board name ("kestrel" or "merlin") or by path; see
    find_library for how a board name is found. `simulated` chooses the
    simulation flavour (for a path: says that the file is one)."""
    return Library(library, simulated=simulated)

