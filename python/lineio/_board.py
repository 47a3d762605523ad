"""A board's library with the board open: PortInit when the board is opened,
PortEnd when it is closed, also when the block that used it raised."""

from __future__ import annotations

from ctypes import c_int32
from types import TracebackType
from typing import Optional, Type

from ._integers import integer
from ._library import Library
from ._loading import LibraryName


class OpenError(RuntimeError):
    """PortInit gave 0: the driver could not be opened (on Linux: PCI sysfs
    could not be read). The library printed why on standard output."""


class Board(Library):
    """A library whose board is opened and closed with it:

        with lineio.Board("kestrel", simulated=True) as board:
            board.PortOut(16, 0x1A5)

    `register_set` is PortInit's argument. Every export and helper of Library
    is there; `open()` and `close()` do what the `with` block does, for a
    board kept open longer.
    """

    def __init__(self, library: LibraryName = "kestrel", simulated: bool = False, register_set: int = 0) -> None:
        super().__init__(library, simulated=simulated)
        self.register_set = integer("PortInit", "board", register_set, c_int32)
        self.is_open = False

    def open(self) -> Board:
        """PortInit; OpenError when it gives 0. Opening an open board does
        nothing."""
        if not self.is_open:
            if self.PortInit(self.register_set) == 0:
                raise OpenError(
                    f"PortInit({self.register_set}) gave 0 with {self.file}: the driver could not be "
                    "opened (the library printed why on standard output)"
                )
            self.is_open = True
        return self

    def close(self) -> bool:
        """PortEnd, once; True when it reported success (or the board was
        not open)."""
        if not self.is_open:
            return True
        self.is_open = False
        return self.PortEnd() != 0

    def __enter__(self) -> Board:
        return self.open()

    def __exit__(
        self,
        kind: Optional[Type[BaseException]],
        value: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> None:
        self.close()
