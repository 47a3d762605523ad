"""The 37 exports and the extension calls beside them, with their argument
names and types and their result types, as include/lineio.h declares them.

A 16-bit argument is passed as the C type it is; the module checks its range
before the call (lineio._integers), where ctypes alone would keep its low 16
bits. An export that gives no result has the result type None.
"""

from __future__ import annotations

from ctypes import POINTER, c_char_p, c_float, c_int32, c_uint8, c_uint16, c_uint32
from typing import Any, Dict, Optional, Tuple

BytePointer = POINTER(c_uint8)
WordPointer = POINTER(c_uint16)
FloatPointer = POINTER(c_float)

# A ctypes type (c_uint16, POINTER(c_float), ...), as ctypes takes it in
# argtypes and restype.
CType = Any

# name, result type, (argument name, argument type) ..., in the header's order.
_DECLARATIONS: Tuple[Tuple[str, Optional[CType], Tuple[Tuple[str, CType], ...]], ...] = (
    # Start-up, shutdown and probes
    ("PortInit", c_int32, (("board", c_int32),)),
    ("PortEnd", c_int32, ()),
    ("CheckPCtype", c_int32, ()),
    ("Test", c_uint16, (("unused", c_int32),)),
    ("Test2", c_uint16, (("buffer", BytePointer),)),
    # Raw register access
    ("InpB", c_uint16, (("offset", c_uint16),)),
    ("InpW", c_uint16, (("offset", c_uint16),)),
    ("InpD", c_uint32, (("offset", c_uint16),)),
    ("OutB", None, (("offset", c_uint16), ("value", c_uint16))),
    ("OutW", None, (("offset", c_uint16), ("value", c_uint16))),
    ("OutD", None, (("offset", c_uint16), ("value", c_uint32))),
    # Logical ports
    ("PortOut", c_int32, (("port", c_uint16), ("value", c_uint16))),
    ("PortQinp", c_uint16, (("port", c_uint16),)),
    ("PortIinp", c_uint16, (("port", c_uint16),)),
    ("AllOutClear", None, ()),
    # Bits and blocks
    ("BitOn", c_int32, (("port", c_uint16), ("bit", c_uint16))),
    ("BitOff", c_int32, (("port", c_uint16), ("bit", c_uint16))),
    ("TestQbit", c_uint16, (("port", c_uint16), ("bit", c_uint16))),
    ("TestIbit", c_uint16, (("port", c_uint16), ("bit", c_uint16))),
    ("GetIOBlockData", None, (("port", c_uint16), ("block", WordPointer))),
    # Serial devices
    ("ContFreq", None, (("mode", c_uint16), ("word", c_uint16))),
    ("ContLevel", None, (("level", c_uint16),)),
    ("ContDirect", None, (("word", c_uint16),)),
    ("ContSigSW", None, (("value", c_uint16),)),
    ("ContBellDA", None, (("value", c_uint16),)),
    ("ContRelay", None, (("word", c_uint16),)),
    ("LineCurrent", None, (("value", c_uint16),)),
    # Board ticks
    ("HdTimer", c_uint16, (("ticks", c_uint32),)),
    ("Click", None, (("ticks", c_uint32),)),
    # Exchange switching
    ("ExchgLine", c_uint16, (("mode", c_uint16), ("pattern", c_char_p))),
    # Transform
    (
        "FFTK32",
        None,
        (("n", c_uint16), ("cosine", FloatPointer), ("sine", FloatPointer), ("permutation", WordPointer)),
    ),
    (
        "FFT32",
        None,
        (
            ("n", c_uint16),
            ("cosine", FloatPointer),
            ("sine", FloatPointer),
            ("real", FloatPointer),
            ("imaginary", FloatPointer),
            ("permutation", WordPointer),
            ("window", c_uint16),
            ("samples", FloatPointer),
            ("direction", c_uint16),
        ),
    ),
    ("FFTP32", None, (("n", c_uint16), ("real", FloatPointer), ("imaginary", FloatPointer))),
    # Array conversion
    ("CHRVAL1", None, (("bytes", BytePointer), ("words", WordPointer), ("count", c_uint16))),
    ("CHRVAL2", None, (("bytes", BytePointer), ("words", WordPointer), ("count", c_uint16))),
    ("VALCHR1", None, (("words", WordPointer), ("bytes", BytePointer), ("count", c_uint16))),
    ("VALCHR2", None, (("words", WordPointer), ("bytes", BytePointer), ("count", c_uint16))),
    # Extension calls: status, version and trace
    ("LineioBoardAccess", c_int32, ()),
    ("LineioLastFailure", c_int32, ()),
    ("LineioFailureText", c_int32, (("buffer", c_char_p), ("size", c_int32))),
    ("LineioVersion", c_char_p, ()),
    ("LineioTrace", c_int32, (("path", c_char_p),)),
)

# The names of the extension calls; every other declaration is one of the 37.
EXTENSIONS = ("LineioBoardAccess", "LineioLastFailure", "LineioFailureText", "LineioVersion", "LineioTrace")

# name: (result type, argument types), in the order of the header.
PROTOTYPES: Dict[str, Tuple[Optional[CType], Tuple[CType, ...]]] = {
    name: (result, tuple(ctype for _, ctype in arguments)) for name, result, arguments in _DECLARATIONS
}

# name: the names of its arguments, as the header names them.
ARGUMENT_NAMES: Dict[str, Tuple[str, ...]] = {
    name: tuple(argument for argument, _ in arguments) for name, _, arguments in _DECLARATIONS
}

# The exports that take or give a pointer: Library checks each buffer's kind
# and length before the call, or turns the text into str. The others take
# integers only.
POINTER_EXPORTS = (
    "Test2",
    "GetIOBlockData",
    "ExchgLine",
    "FFTK32",
    "FFT32",
    "FFTP32",
    "CHRVAL1",
    "CHRVAL2",
    "VALCHR1",
    "VALCHR2",
    "LineioFailureText",
    "LineioVersion",
    "LineioTrace",
)
