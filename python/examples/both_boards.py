"""Both boards in one process: each library has its own board and state.

    python3 both_boards.py
"""

import lineio


def main() -> None:
    with lineio.Board("kestrel", simulated=True) as kestrel, lineio.Board("merlin", simulated=True) as merlin:
        # Group 5 (ports 80 to 85) exists on Kestrel only: Merlin rejects the port.
        print(f"kestrel: PortOut(80, 0x12) = {kestrel.PortOut(80, 0x12)}")
        print(f"merlin: PortOut(80, 0x12) = {merlin.PortOut(80, 0x12)}")
        kestrel.PortOut(16, 0x11)
        merlin.PortOut(16, 0x22)
        print(f"kestrel: PortQinp(16) = {kestrel.PortQinp(16):#x}")
        print(f"merlin: PortQinp(16) = {merlin.PortQinp(16):#x}")


if __name__ == "__main__":
    main()
