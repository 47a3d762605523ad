"""Finding and opening a library file by board name or by path."""

from __future__ import annotations

import ctypes
import os
import struct
import sys
import sysconfig
from typing import Any, List, Union

# What a library is named by: a board name or a path.
LibraryName = Union[str, "os.PathLike[str]"]

# Board name: (file on Linux, file on Windows). The Linux name is the SONAME,
# which both the library and its simulation flavour carry.
BOARD_FILES = {
    "kestrel": ("libkestrel.so.1", "Kestrel.dll"),
    "merlin": ("libmerlin.so.1", "Merlin.dll"),
}

# Where an installed tree keeps the simulation flavour, below its libdir.
SIM_SUBDIRECTORY = os.path.join("lineio", "sim")

_LIBRARY_SUFFIXES = (".so", ".dll", ".dylib")


def _on_windows() -> bool:
    return sys.platform == "win32"


def open_library(path: str) -> Any:
    """Opens the file with the calling convention of its exports: __stdcall
    on 32-bit Windows (WinDLL), the C convention everywhere else (CDLL). On
    POSIX each library is opened with RTLD_LOCAL, so the Kestrel and the
    Merlin library, which export the same names, can be loaded side by side."""
    if _on_windows():
        if struct.calcsize("P") == 4:
            return getattr(ctypes, "WinDLL")(path)  # only on Windows
        return ctypes.CDLL(path)
    return ctypes.CDLL(path, mode=os.RTLD_NOW | os.RTLD_LOCAL)


def _looks_like_path(name: str) -> bool:
    return (
        os.sep in name
        or "/" in name
        or name.endswith(_LIBRARY_SUFFIXES)
        or ".so." in name
    )


def _installed_sim_directories() -> List[str]:
    multiarch = sysconfig.get_config_var("MULTIARCH")
    libdirs = ([os.path.join("lib", multiarch)] if multiarch else []) + ["lib64", "lib"]
    prefixes: List[str] = []
    for prefix in (sys.prefix, "/usr/local", "/usr"):
        if prefix not in prefixes:
            prefixes.append(prefix)
    return [os.path.join(prefix, libdir, SIM_SUBDIRECTORY) for prefix in prefixes for libdir in libdirs]


def sim_directories() -> List[str]:
    """Where the simulation flavour is looked for: $LINEIO_SIM_DIR first,
    then (not on Windows) <prefix>/<libdir>/lineio/sim of the usual prefixes."""
    directories: List[str] = []
    override = os.environ.get("LINEIO_SIM_DIR")
    if override:
        directories.append(override)
    if not _on_windows():
        directories.extend(_installed_sim_directories())
    return directories


def find_library(library: LibraryName = "kestrel", simulated: bool = False) -> str:
    """The file to open for a board name ("kestrel", "merlin", any case) or a
    path. For a board name, $LINEIO_KESTREL_LIBRARY / $LINEIO_MERLIN_LIBRARY
    name the file when set; otherwise the simulation flavour is looked for in
    sim_directories() when `simulated` is true, and the library is left to the
    system's loader (libkestrel.so.1, Kestrel.dll, ...) when it is not."""
    name = os.fspath(library)
    board = name.lower()
    if board not in BOARD_FILES:
        if _looks_like_path(name):
            return name
        raise ValueError(f"not a board name (kestrel, merlin) nor a library path: {name!r}")
    override = os.environ.get(f"LINEIO_{board.upper()}_LIBRARY")
    if override:
        return override
    file_name = BOARD_FILES[board][1 if _on_windows() else 0]
    if not simulated:
        return file_name
    searched = sim_directories()
    for directory in searched:
        candidate = os.path.join(directory, file_name)
        if os.path.exists(candidate):
            return candidate
    raise FileNotFoundError(
        f"no simulation flavour {file_name} in {', '.join(searched) or '(nowhere: set LINEIO_SIM_DIR)'}"
    )
