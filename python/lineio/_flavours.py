"""One flavour of each board's library per process.

The library and its simulation flavour carry the same SONAME
(libkestrel.so.1; on Windows the same module name, Kestrel.dll). Once one of
them is loaded, the system's loader answers a later request for that name
with the object already loaded: a process that opened the simulated Kestrel
board and then asks for the real library gets the simulated one back, and
believes it drives a real board. So the module lets each board's library be
loaded in one flavour only, and refuses the other with FlavourConflict.
"""

from __future__ import annotations

import ctypes
import os
import sys
from typing import Any, Dict, NamedTuple, Optional

from ._loading import BOARD_FILES


class FlavourConflict(RuntimeError):
    """The other flavour of this board's library is already loaded in this
    process."""


class _Loaded(NamedTuple):
    simulated: bool
    file: str


# Board name: the flavour loaded in this process and the file it came from.
_loaded: Dict[str, _Loaded] = {}


def flavour_name(simulated: bool) -> str:
    return "simulation flavour" if simulated else "library"


def board_of(library: str, path: str) -> Optional[str]:
    """The board whose library this is: the board name given, or the one the
    file is named after (libkestrel.so.1, Kestrel.dll, ...); None for a file
    named otherwise."""
    if library.lower() in BOARD_FILES:
        return library.lower()
    file_name = os.path.basename(path).lower()
    for board in BOARD_FILES:
        if file_name.startswith(("lib" + board + ".", board + ".")):
            return board
    return None


def check(board: Optional[str], simulated: bool) -> None:
    """Raises FlavourConflict when the other flavour of the board's library
    is loaded in this process."""
    loaded = _loaded.get(board) if board else None
    if loaded is None or loaded.simulated == simulated:
        return
    linux, windows = BOARD_FILES[board] if board else ("", "")
    raise FlavourConflict(
        f"the {flavour_name(loaded.simulated)} of {board} is already loaded in this process "
        f"({loaded.file}); the {flavour_name(simulated)} has the same SONAME {linux} (module {windows} "
        "on Windows), so the system's loader would give back the one loaded: "
        f"use the {flavour_name(simulated)} in another process"
    )


def record(board: Optional[str], simulated: bool, dll: Any, path: str) -> str:
    """Notes the flavour of a board's library that this process now has, and
    gives the file the loader took it from."""
    file = loaded_file(dll) or path
    if board and board not in _loaded:
        _loaded[board] = _Loaded(simulated, file)
    return file


class _DlInfo(ctypes.Structure):
    _fields_ = [
        ("dli_fname", ctypes.c_char_p),
        ("dli_fbase", ctypes.c_void_p),
        ("dli_sname", ctypes.c_char_p),
        ("dli_saddr", ctypes.c_void_p),
    ]


def loaded_file(dll: Any) -> Optional[str]:
    """The file of the object that the loader gave for a library (dladdr of
    its PortInit), which with a name such as libkestrel.so.1 depends on
    LD_LIBRARY_PATH and on what the process loaded before; None where it
    cannot be told (Windows)."""
    if sys.platform == "win32":
        return None
    try:
        dladdr = ctypes.CDLL(None).dladdr
    except AttributeError:
        return None
    dladdr.argtypes = [ctypes.c_void_p, ctypes.POINTER(_DlInfo)]
    dladdr.restype = ctypes.c_int
    info = _DlInfo()
    if not dladdr(ctypes.cast(dll.PortInit, ctypes.c_void_p), ctypes.byref(info)) or not info.dli_fname:
        return None
    return os.fsdecode(info.dli_fname)
