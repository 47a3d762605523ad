"""A ctypes host that knows nothing of the simulator: it loads the library by
its SONAME (libkestrel.so.1, libmerlin.so.1), as a host of the real board
does, and declares what it calls. LD_LIBRARY_PATH chooses the library or the
simulation flavour.

    python3 ctypes_host.py libkestrel.so.1
"""

import ctypes
import sys


def main(soname):
    lib = ctypes.CDLL(soname)
    lib.PortInit.argtypes = [ctypes.c_int32]
    lib.PortInit.restype = ctypes.c_int32
    lib.PortOut.argtypes = [ctypes.c_uint16, ctypes.c_uint16]
    lib.PortOut.restype = ctypes.c_int32
    lib.PortQinp.argtypes = [ctypes.c_uint16]
    lib.PortQinp.restype = ctypes.c_uint16
    lib.PortEnd.argtypes = []
    lib.PortEnd.restype = ctypes.c_int32
    # The library prints on the C library's standard output; the host's own
    # lines go to standard error, so that neither buffer reorders the other.
    if lib.PortInit(0) == 0:
        print("host: no driver", file=sys.stderr)
        return
    lib.PortOut(16, 0x1A5)
    print(f"host: PortQinp(16) = {lib.PortQinp(16):#x}", file=sys.stderr)
    print(f"host: PortEnd() = {lib.PortEnd()}", file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1])
