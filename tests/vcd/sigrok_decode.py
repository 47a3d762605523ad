#!/usr/bin/env python3
"""The waveforms checked with sigrok-cli, a tool of the logic-analyser
ecosystem: for every serial device of the board, a script loads that device
alone with three words; the bus analyser runs it with --vcd (simulated time),
and the library's own trace of the same run (LINEIO_TRACE) goes through
lineio-trace-vcd (traced time). sigrok-cli reads each dump, and its SPI
decoder on the device's clock, data and load wires must give exactly the
words that the analyser reports for that device's loads.

usage: sigrok_decode.py ANALYSER CONVERTER WORK_DIR
"""
import os
import pathlib
import re
import shutil
import subprocess
import sys

# device: (script lines that load it with three words, word size, bit order,
# chip-select polarity). The frequency sources take their first bit as bit
# 0; the level setter takes the bits shifted while its select is high.
DEVICES = {
    "freq1": (["ContFreq 1 0x1234", "ContFreq 1 0xa5c3", "ContFreq 1 0x0001"], 16, "lsb-first", "active-low"),
    "freq2": (["ContFreq 2 0xbeef", "ContFreq 2 0x8000", "ContFreq 2 0x5a5a"], 16, "lsb-first", "active-low"),
    "level": (["ContLevel 0x7f7f", "ContLevel 0x1234", "ContLevel 0x0101"], 28, "msb-first", "active-high"),
    "direct": (["ContDirect 0xa5c3", "ContDirect 0xffff", "ContDirect 0x0f0f"], 16, "msb-first", "active-low"),
    "sigsw": (["ContSigSW 0x34", "ContSigSW 0xff", "ContSigSW 0x81"], 8, "msb-first", "active-low"),
    "bellda": (["ContBellDA 0x7ff", "ContBellDA 0x400", "ContBellDA 0x155"], 11, "msb-first", "active-low"),
    "relay": (["ContRelay 0x8001", "ContRelay 0x7ffe", "ContRelay 0x1234"], 16, "msb-first", "active-low"),
    "current": (["LineCurrent 0x34", "LineCurrent 0xc3", "LineCurrent 0x01"], 8, "msb-first", "active-low"),
    "xbank0": (["ExchgLine 0 0123456789", "ExchgLine 0 fedcba9876", "ExchgLine 0 a5a5a5a5a5"], 48, "msb-first",
               "active-low"),
    "xbank1": (["ExchgLine 1 0123456789", "ExchgLine 1 0000000001", "ExchgLine 1 8000000000"], 48, "msb-first",
               "active-low"),
}


def decoded_words(vcd, device, size, order, polarity):
    decoder = (f"spi:clk={device}_clk:mosi={device}_data:cs={device}_load:wordsize={size}:"
               f"bitorder={order}:cs_polarity={polarity}")
    result = subprocess.run(["sigrok-cli", "-i", str(vcd), "-P", decoder, "-A", "spi=mosi-data"],
                            capture_output=True, text=True, check=True)
    return [int(line.split(":")[1], 16) for line in result.stdout.splitlines() if line.startswith("spi-1:")]


def main(analyser, converter, work):
    if shutil.which("sigrok-cli") is None:
        print("sigrok-cli is not installed (Debian package sigrok-cli): not checked")
        sys.exit(77)
    work = pathlib.Path(work)
    work.mkdir(parents=True, exist_ok=True)
    total = 0
    for device, (calls, size, order, polarity) in DEVICES.items():
        script = work / f"{device}.script"
        script.write_text("\n".join(["quiet", "PortInit 0", *calls]) + "\n")
        simulated, trace, traced = work / f"{device}.vcd", work / f"{device}.trace", work / f"{device}.traced.vcd"
        run = subprocess.run([analyser, "--vcd", str(simulated), str(script)], capture_output=True, text=True,
                             check=True, env=dict(os.environ, LINEIO_TRACE=str(trace)))
        reported = [int(m.group(1), 16) for m in re.finditer(rf"^L {device} ([0-9a-f]+)$", run.stdout, re.M)]
        if len(reported) != len(calls):
            sys.exit(f"{device}: the analyser reports {len(reported)} loads, not {len(calls)}")
        subprocess.run([converter, str(trace), str(traced)], check=True)
        for kind, vcd in (("simulated", simulated), ("traced", traced)):
            words = decoded_words(vcd, device, size, order, polarity)
            if words != reported:
                sys.exit(f"{device} ({kind} time): sigrok decodes {[hex(w) for w in words]}, "
                         f"the analyser reports {[hex(w) for w in reported]}")
        total += len(reported)
        print(f"{device}: {len(reported)} words, equal in simulated and traced time")
    print(f"{total} words of {len(DEVICES)} devices decoded by sigrok-cli as the analyser reports them")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
