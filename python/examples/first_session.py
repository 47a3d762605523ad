"""A first session: open the simulated Kestrel board, write and read a port,
load an exchange pattern, wait for the board's ticks, close the board.

    python3 first_session.py [kestrel|merlin]
"""

import sys

import lineio


def main(board_name: str) -> None:
    with lineio.Board(board_name, simulated=True) as board:  # PortInit(0) ... PortEnd()
        print(f"library: {board.file}")
        print(f"PortOut(16, 0x1a5) = {board.PortOut(16, 0x1A5)}")
        print(f"PortQinp(16) = {board.PortQinp(16):#x}")
        print(f"ExchgLine(0, 'A5123489AB') = {board.ExchgLine(0, 'A5123489AB')}")
        print(f"ExchgLine(0, 'A5123489AG') = {board.ExchgLine(0, 'A5123489AG'):#x}")
        print(f"HdTimer(3) = {board.HdTimer(3)}")
        block = board.io_block(0x10)
        print(f"io_block(0x10)[0] = {int(block[0]):#x}")
        try:
            board.PortOut(16, 70000)
        except ValueError as error:
            print(f"refused: {error}")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "kestrel")
