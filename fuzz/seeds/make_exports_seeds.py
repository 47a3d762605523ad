#!/usr/bin/env python3
"""Writes the seed corpus of the exports harnesses (fuzz/seeds/exports/).

The harness reads four header bytes (flags, tick, escape, driver faults) and
then steps: an
operation byte (its index in the harness's Operations table) and the
arguments, little-endian. See fuzz/exports_fuzzer.cpp.
"""
import os
import struct

OPS = """PortInit PortEnd CheckPCtype Test Test2 InpB InpW InpD OutB OutW OutD PortOut
PortQinp PortIinp AllOutClear BitOn BitOff TestQbit TestIbit GetIOBlockData ContFreq
ContLevel ContDirect ContSigSW ContBellDA ContRelay LineCurrent HdTimer Click ExchgLine
FFTK32 FFT32 FFTP32 CHRVAL1 CHRVAL2 VALCHR1 VALCHR2 SetBoardInput""".split()
# Argument layouts: b byte, w 16 bits, d 32 bits, i signed 32 bits.
LAYOUT = {
    "PortInit": "i", "Test": "i", "Test2": "b", "InpB": "w", "InpW": "w", "InpD": "w",
    "OutB": "ww", "OutW": "ww", "OutD": "wd", "PortOut": "ww", "PortQinp": "w", "PortIinp": "w",
    "BitOn": "ww", "BitOff": "ww", "TestQbit": "ww", "TestIbit": "ww", "GetIOBlockData": "wb",
    "ContFreq": "ww", "ContLevel": "w", "ContDirect": "w", "ContSigSW": "w", "ContBellDA": "w",
    "ContRelay": "w", "LineCurrent": "w", "HdTimer": "d", "Click": "d",
    "FFTK32": "wbd", "FFT32": "wbdww", "FFTP32": "wbd",
    "CHRVAL1": "wbd", "CHRVAL2": "wbd", "VALCHR1": "wbd", "VALCHR2": "wbd", "SetBoardInput": "bb",
}
PACK = {"b": "<B", "w": "<H", "d": "<I", "i": "<i"}

FOLLOW_REGISTERS, LOCKED, MISSING, PC98 = 0x8, 0x1, 0x2, 0x4


def step(name, *args):
    out = bytes([OPS.index(name)])
    if name == "ExchgLine":
        mode, pattern = args
        if pattern is None:
            return out + struct.pack("<HB", mode, 0xFF)
        return out + struct.pack("<HB", mode, len(pattern)) + pattern
    for kind, value in zip(LAYOUT.get(name, ""), args):
        out += struct.pack(PACK[kind], value)
    return out


def seed(flags, tick, escape, *steps, faults=0):
    return bytes([flags, tick, escape, faults]) + b"".join(steps)


SEEDS = {
    "ports": seed(FOLLOW_REGISTERS, 2, 200,
                  step("PortInit", 0), step("PortOut", 36, 0x45), step("SetBoardInput", 20, 0x5A),
                  step("PortIinp", 20), step("PortQinp", 36), step("BitOn", 17, 3), step("TestQbit", 17, 3),
                  step("BitOff", 17, 3), step("TestIbit", 20, 4), step("GetIOBlockData", 16, 0),
                  step("GetIOBlockData", 0, 0), step("PortOut", 133, 1), step("AllOutClear"), step("PortEnd")),
    "serial": seed(FOLLOW_REGISTERS, 2, 200,
                   step("PortInit", 0), step("ContFreq", 1, 0x1234), step("ContFreq", 3, 0xFFFF),
                   step("ContLevel", 0x7F7F), step("ContDirect", 0xA5C3), step("ContSigSW", 0x12),
                   step("ContBellDA", 0x7FF), step("ContRelay", 0x8001), step("LineCurrent", 0x34),
                   step("ExchgLine", 0, b"0123456789"), step("ExchgLine", 1, b"01234G6789"),
                   step("ExchgLine", 1, b"abcdef"), step("ExchgLine", 0, None), step("PortEnd")),
    "ticks": seed(0, 1, 50,
                  step("PortInit", 0), step("HdTimer", 3), step("Click", 7), step("PortInit", 1),
                  step("HdTimer", 10), step("Click", 2), step("PortEnd"), step("HdTimer", 1), step("Click", 1)),
    "transform": seed(0, 0, 0,
                      step("FFTK32", 64, 0, 7), step("FFT32", 64, 0, 8, 2, 0), step("FFT32", 64, 0x80, 9, 3, 1),
                      step("FFT32", 16, 0x40, 11, 9, 0), step("FFTK32", 48, 0, 1), step("FFT32", 8, 0x08, 3, 1, 0),
                      step("FFTP32", 64, 0, 12), step("FFTP32", 7, 0, 13)),
    "conversions": seed(0, 0, 0,
                        step("CHRVAL1", 10, 0, 1), step("CHRVAL2", 10, 0, 2), step("VALCHR1", 10, 0, 3),
                        step("VALCHR2", 10, 0, 4), step("CHRVAL1", 0, 0, 5), step("VALCHR2", 3, 3, 6)),
    "raw_pc98": seed(PC98 | FOLLOW_REGISTERS, 3, 100,
                     step("CheckPCtype"), step("Test", 0), step("PortInit", 2), step("Test", 0),
                     step("InpB", 0xC0), step("OutB", 0xC4, 0x80), step("InpW", 0x3FE), step("OutW", 0x3FE, 0x1234),
                     step("InpD", 0xFFFF), step("OutD", 0xFFFC, 0xDEADBEEF), step("Test2", 0), step("Test2", 1),
                     step("PortEnd")),
    "no_board": seed(LOCKED, 1, 20,
                     step("PortInit", 0), step("PortOut", 36, 1), step("HdTimer", 5), step("Click", 5),
                     step("ContRelay", 0xFFFF), step("PortEnd")),
    "no_driver": seed(MISSING, 1, 20, step("PortInit", 0), step("InpB", 0x316), step("HdTimer", 2), step("PortEnd")),
    # The second and third transfers fail (fault byte: request 7, two times),
    # then an old driver.
    "failing_transfers": seed(FOLLOW_REGISTERS, 1, 20, step("PortInit", 0), step("PortOut", 36, 1), step("PortIinp", 20),
                              step("PortEnd"), faults=0x27),
    "old_driver": seed(0, 1, 20, step("PortInit", 0), step("PortOut", 36, 1), step("PortEnd"), faults=0x0F),
}

if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "exports")
    os.makedirs(folder, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(folder, name + ".bin"), "wb") as f:
            f.write(data)
