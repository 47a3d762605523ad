"""A board's library with the board open: PortInit when the board is opened,
PortEnd when it is closed, also when the block that used it raised."""

from __future__ import annotations

from ctypes import c_int32
from types import TracebackType
from typing import Optional, Type

from ._integers import integer
from ._library import ACCESS_NONE, Failure, Library
from ._loading import LibraryName


class OpenError(RuntimeError):
    """PortInit gave 0: the driver could not be opened (on Linux: PCI sysfs
    could not be read). `failure` says why (lineio.Failure: code, name and
    the text the library printed)."""

    def __init__(self, message: str, failure: Failure) -> None:
        super().__init__(message)
        self.failure = failure


class NoBoard(OpenError):
    """PortInit opened the driver but no board (none found, held by another
    process, refused by the system, ...): `failure` says why. The board's
    library was closed again (PortEnd)."""


class Board(Library):
    """A library whose board is opened and closed with it:

        with lineio.Board("kestrel", simulated=True) as board:
            board.PortOut(16, 0x1A5)

    `register_set` is PortInit's argument. Every export and helper of Library
    is there; `open()` and `close()` do what the `with` block does, for a
    board kept open longer. With `require_board=False` a PortInit that finds
    no board opens anyway, as the library lets a host run without one
    (register reads then give 0).
    """

    def __init__(
        self,
        library: LibraryName = "kestrel",
        simulated: bool = False,
        register_set: int = 0,
        require_board: bool = True,
    ) -> None:
        super().__init__(library, simulated=simulated)
        self.register_set = integer("PortInit", "board", register_set, c_int32)
        self.require_board = require_board
        self.is_open = False

    def open(self) -> Board:
        """PortInit; OpenError when it gives 0, NoBoard when it opened no
        board (unless require_board is False). Opening an open board does
        nothing."""
        if not self.is_open:
            if self.PortInit(self.register_set) == 0:
                failure = self.last_failure()
                raise OpenError(
                    f"PortInit({self.register_set}) gave 0 with {self.file}: the driver could not be "
                    f"opened ({failure.name}: {failure.text.strip() or 'the library said nothing'})",
                    failure,
                )
            self.is_open = True
            if self.require_board and self.LineioBoardAccess() == ACCESS_NONE:
                failure = self.last_failure()
                self.close()
                raise NoBoard(
                    f"PortInit({self.register_set}) opened no board with {self.file}: {failure.name} "
                    f"({failure.text.strip() or 'the library said nothing'})",
                    failure,
                )
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
