"""The arguments of one call of an export, checked before the library is
called, so that the library never reads or writes past the end of a Python
object and never sees an integer that ctypes would have cut down.

A buffer is given as
- an object with the buffer protocol and contiguous elements of the right
  kind (array.array, bytes, bytearray, memoryview, a ctypes array, a numpy
  array of the right dtype): passed as it is, without a copy; an output is
  written in place;
- a list or tuple of numbers, or a numpy array of another numeric dtype (or
  not contiguous): converted, each value checked; an output given so (a list,
  a writable numpy array) is filled from the library's result after the call;
- None: a null pointer, with which the library reads and writes nothing.

Any other buffer of another element type (array.array('d') where floats are
needed, bytes where words are) raises TypeError: its type was chosen, and a
silent conversion would hide the mistake.
"""

from __future__ import annotations

import ctypes
import numbers
import operator
import sys
from typing import Any, Callable, List, Optional, Tuple

from . import _arrays
from ._integers import integer
from ._prototypes import CType

if _arrays.USES_NUMPY:
    import numpy as np


class BufferTooShort(ValueError):
    """A buffer holds fewer elements than the library would read or write."""


class Kind:
    """The element type of a pointer argument."""

    def __init__(
        self, name: str, ctype: CType, formats: Tuple[str, ...], lowest: float, highest: float, dtype: str
    ) -> None:
        self.name = name
        self.ctype = ctype
        self.formats = formats
        self.lowest = lowest  # the values a list may give (signed or not)
        self.highest = highest
        self.dtype = dtype  # numpy's name of the element type
        self.is_float = formats == ("f",)


FLOATS = Kind("32-bit floats (array typecode 'f')", ctypes.c_float, ("f",), -float("inf"), float("inf"), "float32")
WORDS = Kind("16-bit integers (array typecode 'H' or 'h')", ctypes.c_uint16, ("H", "h"), -0x8000, 0xFFFF, "uint16")
BYTES = Kind("bytes (bytes, bytearray or array typecode 'B')", ctypes.c_uint8, ("B", "b", "c"), -0x80, 0xFF, "uint8")

# Byte-order marks that mean this machine's own order.
_NATIVE_ORDER = "@=<" if sys.byteorder == "little" else "@=>!"

# A ctypes array (c_float * n, ...), as the library's pointer arguments take it.
CArray = Any


def _is_converted(buffer: object) -> bool:
    """True for the arguments that are converted rather than passed as they
    are: lists and tuples, and numpy arrays of another dtype or layout."""
    return isinstance(buffer, (list, tuple))


class Arguments:
    """The checked arguments of one call of `export`; finish() after the call
    fills the outputs that were given as lists or numpy arrays."""

    def __init__(self, export: str) -> None:
        self.export = export
        self._fill_after: List[Callable[[], None]] = []

    def integer(self, argument: str, value: object, ctype: CType = ctypes.c_uint16) -> int:
        return integer(self.export, argument, value, ctype)

    def written(self, buffer: object, kind: Kind, needed: int, name: str) -> Optional[CArray]:
        """A pointer argument that the library writes: at least `needed`
        elements of something writable."""
        if buffer is None:
            return None
        if isinstance(buffer, tuple):
            raise TypeError(f"{self.export}: {name}: the library writes it, so it must be writable, not a tuple")
        direct = self._direct_view(buffer, kind, name)
        if direct is None:
            self._check_fillable(buffer, kind, name)
            elements = self._converted(buffer, kind, name)
            self._check_length(len(elements), needed, name, "writes")
            self._fill_after.append(lambda: self._fill(buffer, elements))
            return elements if len(elements) else None
        if direct.readonly:
            raise TypeError(f"{self.export}: {name}: the library writes it, so it must be writable")
        have = self._check_length(direct.nbytes // direct.itemsize, needed, name, "writes")
        return (kind.ctype * have).from_buffer(direct) if have else None

    def read(self, buffer: object, kind: Kind, needed: int, name: str) -> Optional[CArray]:
        """A pointer argument that the library only reads: at least `needed`
        elements. A writable buffer is passed as it is (so it may be one of
        the call's outputs too), a read-only one as a copy."""
        if buffer is None:
            return None
        direct = self._direct_view(buffer, kind, name)
        if direct is None:
            elements = self._converted(buffer, kind, name)
            self._check_length(len(elements), needed, name, "reads")
            return elements if len(elements) else None
        have = self._check_length(direct.nbytes // direct.itemsize, needed, name, "reads")
        if have == 0:
            return None
        if direct.readonly:
            return (kind.ctype * have).from_buffer_copy(direct)
        return (kind.ctype * have).from_buffer(direct)

    def finish(self) -> None:
        for fill in self._fill_after:
            fill()
        self._fill_after.clear()

    # ---- How a buffer becomes a pointer ----------------------------------

    def _direct_view(self, buffer: object, kind: Kind, name: str) -> Optional[memoryview]:
        """The buffer's memory when it can be passed as it is; None when it
        is to be converted (a list, a tuple, a numpy array of another dtype or
        layout); TypeError for anything else of another element type."""
        if _is_converted(buffer):
            return None
        if isinstance(buffer, str):
            raise TypeError(f"{self.export}: {name}: needs {kind.name}, not a str")
        try:
            view = memoryview(buffer)  # type: ignore[arg-type]
        except TypeError:
            raise TypeError(f"{self.export}: {name}: needs {kind.name}, not {type(buffer).__name__}") from None
        element = view.format.lstrip(_NATIVE_ORDER)
        fits = element in kind.formats and view.itemsize == ctypes.sizeof(kind.ctype) and view.c_contiguous
        if fits:
            return view
        if _arrays.is_numpy_array(buffer):
            return None
        if not view.c_contiguous:
            raise TypeError(f"{self.export}: {name}: the elements must be contiguous")
        raise TypeError(f"{self.export}: {name}: needs {kind.name}, got elements of format {view.format!r}")

    def _converted(self, values: Any, kind: Kind, name: str) -> CArray:
        """A new ctypes array holding the values, each checked."""
        if _arrays.is_numpy_array(values):
            return self._converted_numpy(values, kind, name)
        elements = (kind.ctype * len(values))()
        for index, value in enumerate(values):
            elements[index] = self._element(value, kind, f"{name}[{index}]")
        return elements

    def _element(self, value: object, kind: Kind, where: str) -> float:
        if kind.is_float:
            if isinstance(value, numbers.Real):
                return float(value)
            raise TypeError(f"{self.export}: {where} is {type(value).__name__}, not a number")
        if isinstance(value, (str, bytes, bytearray)):
            raise TypeError(f"{self.export}: {where} is text, not an integer")
        try:
            number = operator.index(value)  # type: ignore[arg-type]
        except TypeError:
            raise TypeError(f"{self.export}: {where} is {type(value).__name__}, not an integer") from None
        if not kind.lowest <= number <= kind.highest:
            raise ValueError(f"{self.export}: {where} does not fit {kind.name}: {number}")
        return number & int(kind.highest)  # a negative value as the unsigned element of the same bits

    def _converted_numpy(self, values: Any, kind: Kind, name: str) -> CArray:
        if values.ndim != 1:
            raise TypeError(f"{self.export}: {name}: needs a one-dimensional array, not {values.ndim} dimensions")
        if values.dtype.kind not in ("fiu" if kind.is_float else "iu"):
            raise TypeError(f"{self.export}: {name}: needs {kind.name}, not an array of {values.dtype}")
        if not kind.is_float and values.size:
            lowest, highest = int(values.min()), int(values.max())
            if lowest < kind.lowest or highest > kind.highest:
                bad = lowest if lowest < kind.lowest else highest
                raise ValueError(f"{self.export}: {name}: {bad} does not fit {kind.name}")
        signed_words = kind.dtype.replace("uint", "int")
        converted = np.ascontiguousarray(values, dtype=kind.dtype if values.dtype.kind != "i" else signed_words)
        return (kind.ctype * len(converted)).from_buffer_copy(converted)

    def _check_fillable(self, target: Any, kind: Kind, name: str) -> None:
        """A numpy array given for an output must take the library's values
        without loss."""
        if not _arrays.is_numpy_array(target):
            return
        if not target.flags.writeable:
            raise TypeError(f"{self.export}: {name}: the library writes it, so it must be writable")
        if not np.can_cast(kind.dtype, target.dtype, "safe"):
            raise TypeError(f"{self.export}: {name}: an array of {target.dtype} cannot hold {kind.name}")

    def _fill(self, target: Any, elements: CArray) -> None:
        """Copies the library's output into the list or numpy array given."""
        if _arrays.is_numpy_array(target):
            target[...] = np.frombuffer(elements, dtype=kind_dtype(elements))
        else:
            target[:] = list(elements)

    def _check_length(self, have: int, needed: int, name: str, verb: str) -> int:
        if have < needed:
            raise BufferTooShort(f"{name}: the library {verb} {needed} elements, the buffer holds {have}")
        return have


def kind_dtype(elements: CArray) -> str:
    """numpy's name of a ctypes array's element type."""
    return {ctypes.c_float: "float32", ctypes.c_uint16: "uint16", ctypes.c_uint8: "uint8"}[elements._type_]


def length(buffer: object, kind: Kind, export: str, name: str) -> int:
    """The number of elements of a buffer (after checking its kind)."""
    arguments = Arguments(export)
    view = arguments._direct_view(buffer, kind, name)
    if view is None:
        return len(buffer)  # type: ignore[arg-type]
    return view.nbytes // view.itemsize
