"""lineio for Python: the Kestrel and Merlin line-test board libraries through
ctypes, with no package beyond the standard library (numpy, when installed,
gives the helpers' results as numpy arrays).

    import lineio
    with lineio.Board("kestrel", simulated=True) as board:   # PortInit ... PortEnd
        board.PortOut(16, 0x1A5)
    kestrel = lineio.load("kestrel")             # libkestrel.so.1 / Kestrel.dll
    own = lineio.load("/opt/lineio/lib/libkestrel.so.1")

Each Library has the 37 exports under their own names, with their arguments
checked before the call, and the extension calls (LineioBoardAccess,
LineioLastFailure, LineioFailureText, LineioVersion, LineioTrace; with
last_failure() and trace() as helpers). Board raises NoBoard when PortInit
opened no board. See python/README.md and docs/ for the reference.
"""

from ._arrays import USES_NUMPY, Floats, Words
from ._board import Board, NoBoard, OpenError
from ._buffers import BufferTooShort
from ._flavours import FlavourConflict
from ._library import (
    ACCESS_IO,
    ACCESS_MEMORY,
    ACCESS_NONE,
    ESCAPE_STATUS,
    FAILURES,
    FORWARD,
    INVERSE,
    MAX_TABLE_LENGTH,
    MAX_TRANSFORM_LENGTH,
    PATTERN_REFUSED,
    WINDOW_HAMMING,
    WINDOW_HANN,
    WINDOW_NONE,
    WINDOW_RECTANGULAR,
    WINDOWS,
    Failure,
    FftTables,
    Library,
    Transform,
    is_transform_length,
    load,
)
from ._loading import find_library, sim_directories
from ._prototypes import ARGUMENT_NAMES, EXTENSIONS, PROTOTYPES
from ._version import __version__

__all__ = [
    "ACCESS_IO",
    "ACCESS_MEMORY",
    "ACCESS_NONE",
    "ARGUMENT_NAMES",
    "Board",
    "BufferTooShort",
    "ESCAPE_STATUS",
    "EXTENSIONS",
    "FAILURES",
    "FORWARD",
    "Failure",
    "FftTables",
    "FlavourConflict",
    "Floats",
    "INVERSE",
    "Library",
    "MAX_TABLE_LENGTH",
    "MAX_TRANSFORM_LENGTH",
    "NoBoard",
    "OpenError",
    "PATTERN_REFUSED",
    "PROTOTYPES",
    "Transform",
    "USES_NUMPY",
    "WINDOWS",
    "WINDOW_HAMMING",
    "WINDOW_HANN",
    "WINDOW_NONE",
    "WINDOW_RECTANGULAR",
    "Words",
    "__version__",
    "find_library",
    "is_transform_length",
    "load",
    "sim_directories",
]
