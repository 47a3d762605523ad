"""The 37 exports with their argument and result types, as include/lineio.h
declares them.

A 16-bit argument is passed as the C type it is: ctypes keeps its low 16 bits,
which is what the library reads of the argument's 32-bit slot. An export that
gives no result has the result type None.
"""

from ctypes import POINTER, c_char_p, c_float, c_int32, c_uint8, c_uint16, c_uint32

BytePointer = POINTER(c_uint8)
WordPointer = POINTER(c_uint16)
FloatPointer = POINTER(c_float)

# name: (result type, argument types), in the order of the header.
PROTOTYPES = {
    # Start-up, shutdown and probes
    "PortInit": (c_int32, (c_int32,)),
    "PortEnd": (c_int32, ()),
    "CheckPCtype": (c_int32, ()),
    "Test": (c_uint16, (c_int32,)),
    "Test2": (c_uint16, (BytePointer,)),
    # Raw register access
    "InpB": (c_uint16, (c_uint16,)),
    "InpW": (c_uint16, (c_uint16,)),
    "InpD": (c_uint32, (c_uint16,)),
    "OutB": (None, (c_uint16, c_uint16)),
    "OutW": (None, (c_uint16, c_uint16)),
    "OutD": (None, (c_uint16, c_uint32)),
    # Logical ports
    "PortOut": (c_int32, (c_uint16, c_uint16)),
    "PortQinp": (c_uint16, (c_uint16,)),
    "PortIinp": (c_uint16, (c_uint16,)),
    "AllOutClear": (None, ()),
    # Bits and blocks
    "BitOn": (c_int32, (c_uint16, c_uint16)),
    "BitOff": (c_int32, (c_uint16, c_uint16)),
    "TestQbit": (c_uint16, (c_uint16, c_uint16)),
    "TestIbit": (c_uint16, (c_uint16, c_uint16)),
    "GetIOBlockData": (None, (c_uint16, WordPointer)),
    # Serial devices
    "ContFreq": (None, (c_uint16, c_uint16)),
    "ContLevel": (None, (c_uint16,)),
    "ContDirect": (None, (c_uint16,)),
    "ContSigSW": (None, (c_uint16,)),
    "ContBellDA": (None, (c_uint16,)),
    "ContRelay": (None, (c_uint16,)),
    "LineCurrent": (None, (c_uint16,)),
    # Board ticks
    "HdTimer": (c_uint16, (c_uint32,)),
    "Click": (None, (c_uint32,)),
    # Exchange switching
    "ExchgLine": (c_uint16, (c_uint16, c_char_p)),
    # Transform
    "FFTK32": (None, (c_uint16, FloatPointer, FloatPointer, WordPointer)),
    "FFT32": (
        None,
        (
            c_uint16,  # n
            FloatPointer,  # cosine
            FloatPointer,  # sine
            FloatPointer,  # real
            FloatPointer,  # imaginary
            WordPointer,  # permutation
            c_uint16,  # window
            FloatPointer,  # samples
            c_uint16,  # direction
        ),
    ),
    "FFTP32": (None, (c_uint16, FloatPointer, FloatPointer)),
    # Array conversion
    "CHRVAL1": (None, (BytePointer, WordPointer, c_uint16)),
    "CHRVAL2": (None, (BytePointer, WordPointer, c_uint16)),
    "VALCHR1": (None, (WordPointer, BytePointer, c_uint16)),
    "VALCHR2": (None, (WordPointer, BytePointer, c_uint16)),
}

# The exports that take a pointer: Library wraps each in a method that checks
# the buffers before the call. The others are called as they are.
POINTER_EXPORTS = (
    "Test2",
    "GetIOBlockData",
    "ExchgLine",
    "FFTK32",
    "FFT32",
    "FFTP32",
    "CHRVAL1",
    "CHRVAL2",
    "VALCHR1",
    "VALCHR2",
)
