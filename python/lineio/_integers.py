"""Integer arguments, checked before the call: ctypes alone would turn 70000
into 4464 for a 16-bit argument and print "wrong type" for a str without
saying which export or argument it was."""

from __future__ import annotations

import operator
from ctypes import c_int32, c_uint16, c_uint32
from typing import Dict, Tuple

from ._prototypes import CType

# C type: (lowest, highest, what the message calls it).
RANGES: Dict[CType, Tuple[int, int, str]] = {
    c_uint16: (0, 0xFFFF, "a 16-bit argument (0 to 65535)"),
    c_uint32: (0, 0xFFFF_FFFF, "a 32-bit argument (0 to 4294967295)"),
    c_int32: (-(2**31), 2**31 - 1, "a signed 32-bit argument (-2147483648 to 2147483647)"),
}


def _shown(value: object) -> str:
    text = repr(value)
    return text if len(text) <= 40 else text[:37] + "..."


def integer(export: str, argument: str, value: object, ctype: CType) -> int:
    """The value of an integer argument of an export: anything Python takes
    as an integer (int, bool, numpy integers); TypeError for anything else
    (str, float, None), ValueError out of the C type's range. Both messages
    name the export and the argument."""
    if isinstance(value, (str, bytes, bytearray)):
        raise TypeError(f"{export}: {argument} is an integer argument, not text ({_shown(value)})")
    try:
        number = operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise TypeError(
            f"{export}: {argument} is an integer argument, not {type(value).__name__} ({_shown(value)})"
        ) from None
    lowest, highest, what = RANGES[ctype]
    if not lowest <= number <= highest:
        raise ValueError(f"{export}: {argument} is {what}, not {number}")
    return number
