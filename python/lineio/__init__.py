"""lineio for Python: the Kestrel and Merlin line-test board libraries through
ctypes, with no package beyond the standard library.

    import lineio
    kestrel = lineio.load("kestrel")             # libkestrel.so.1 / Kestrel.dll
    sim = lineio.load("merlin", simulated=True)   # the simulation flavour
    own = lineio.load("/opt/lineio/lib/libkestrel.so.1")

Each Library has the 37 exports under their own names, with their exact
argument and result types; the exports that take pointers check their buffers
first. See python/README.md and docs/ for the reference.
"""

from ._buffers import BufferTooShort
from ._library import (
    ESCAPE_STATUS,
    FORWARD,
    INVERSE,
    MAX_TABLE_LENGTH,
    MAX_TRANSFORM_LENGTH,
    PATTERN_REFUSED,
    WINDOW_HAMMING,
    WINDOW_HANN,
    WINDOW_NONE,
    WINDOW_RECTANGULAR,
    FftTables,
    Library,
    Transform,
    is_transform_length,
    load,
)
from ._loading import find_library, sim_directories
from ._prototypes import PROTOTYPES

__all__ = [
    "BufferTooShort",
    "ESCAPE_STATUS",
    "FORWARD",
    "FftTables",
    "INVERSE",
    "Library",
    "MAX_TABLE_LENGTH",
    "MAX_TRANSFORM_LENGTH",
    "PATTERN_REFUSED",
    "PROTOTYPES",
    "Transform",
    "WINDOW_HAMMING",
    "WINDOW_HANN",
    "WINDOW_NONE",
    "WINDOW_RECTANGULAR",
    "find_library",
    "is_transform_length",
    "load",
    "sim_directories",
]
