"""Buffers handed to the library: their element type and length are checked
before the call, so that the library never reads or writes past the end of a
Python object.

A buffer is any object with the buffer protocol and contiguous elements of
the right kind: array.array, bytes, bytearray, memoryview, a ctypes array, or
an array of a numerical package. None passes a null pointer, with which the
library reads and writes nothing.
"""

import ctypes
import sys


class BufferTooShort(ValueError):
    """A buffer holds fewer elements than the library would read or write."""


class _Kind:
    def __init__(self, name, ctype, formats):
        self.name = name
        self.ctype = ctype
        self.formats = formats


FLOATS = _Kind("32-bit floats (array typecode 'f')", ctypes.c_float, ("f",))
WORDS = _Kind("16-bit integers (array typecode 'H' or 'h')", ctypes.c_uint16, ("H", "h"))
BYTES = _Kind("bytes (bytes, bytearray or array typecode 'B')", ctypes.c_uint8, ("B", "b", "c"))

# Byte-order marks that mean this machine's own order.
_NATIVE_ORDER = "@=<" if sys.byteorder == "little" else "@=>!"

UINT16_MAX = 0xFFFF


def uint16(value, name):
    """The value of a 16-bit argument; out of range raises ValueError, where
    the C call would silently keep the low 16 bits."""
    value = int(value)
    if not 0 <= value <= UINT16_MAX:
        raise ValueError(f"{name} is a 16-bit argument (0 to 65535), not {value}")
    return value


def _view(buffer, kind, name):
    if isinstance(buffer, str):
        raise TypeError(f"{name}: needs {kind.name}, not a str")
    try:
        view = memoryview(buffer)
    except TypeError:
        raise TypeError(f"{name}: needs {kind.name}, not {type(buffer).__name__}") from None
    element = view.format.lstrip(_NATIVE_ORDER)
    if element not in kind.formats or view.itemsize != ctypes.sizeof(kind.ctype):
        raise TypeError(f"{name}: needs {kind.name}, got elements of format {view.format!r}")
    if not view.c_contiguous:
        raise TypeError(f"{name}: the elements must be contiguous")
    return view


def length(buffer, kind, name):
    """The number of elements of the buffer (after checking its kind)."""
    view = _view(buffer, kind, name)
    return view.nbytes // view.itemsize


def _check_length(view, needed, name, verb):
    have = view.nbytes // view.itemsize
    if have < needed:
        raise BufferTooShort(f"{name}: the library {verb} {needed} elements, the buffer holds {have}")
    return have


def written(buffer, kind, needed, name):
    """A pointer argument that the library writes: at least `needed` elements
    of a writable buffer, passed without a copy."""
    if buffer is None:
        return None
    view = _view(buffer, kind, name)
    if view.readonly:
        raise TypeError(f"{name}: the library writes it, so it must be writable")
    have = _check_length(view, needed, name, "writes")
    if have == 0:
        return None
    return (kind.ctype * have).from_buffer(view)


def read(buffer, kind, needed, name):
    """A pointer argument that the library only reads: at least `needed`
    elements; a writable buffer is passed as it is (so it may be one of the
    call's outputs too), a read-only one as a copy."""
    if buffer is None:
        return None
    view = _view(buffer, kind, name)
    have = _check_length(view, needed, name, "reads")
    if have == 0:
        return None
    if view.readonly:
        return (kind.ctype * have).from_buffer_copy(view)
    return (kind.ctype * have).from_buffer(view)
