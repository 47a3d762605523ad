"""What the Python tests share: where the repository's files are, and the
libraries under test.

The tests run against the simulation flavour of each library (the simulated
bus and driver inside, the boards ticking). lineio.load(board, simulated=True)
finds it: the build's test form through $LINEIO_KESTREL_LIBRARY and
$LINEIO_MERLIN_LIBRARY (ctest sets them), an installed one through
$LINEIO_SIM_DIR or <libdir>/lineio/sim.
"""

import array
import os
import pathlib

import lineio

REPOSITORY = pathlib.Path(__file__).resolve().parents[2]
BOARDS = ("kestrel", "merlin")


def repository_file(variable, relative):
    """A file of the source tree; the environment variable may name another."""
    return pathlib.Path(os.environ.get(variable) or REPOSITORY / relative)


def export_names():
    lines = repository_file("LINEIO_EXPORTS_LIST", "exports/exports.list").read_text().splitlines()
    return [line.strip() for line in lines if line[:1].isalpha()]


_libraries = {}


def simulated(board):
    """The simulation flavour of the board's library, loaded once per process."""
    if board not in _libraries:
        _libraries[board] = lineio.load(board, simulated=True)
    return _libraries[board]


class Spy:
    """Stands in for a ctypes function and records its calls."""

    def __init__(self, result=0):
        self.calls = []
        self.result = result

    def __call__(self, *arguments):
        self.calls.append(arguments)
        return self.result


def floats(count):
    return array.array("f", [0.0] * count)


def words(count):
    return array.array("H", [0] * count)
