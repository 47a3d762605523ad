#!/usr/bin/env python3
"""lineio-demo --plot DIR as a person would look at it: the spectrum's SVG
rendered by a real renderer (rsvg-convert, Debian's librsvg2-bin) to a PNG
of the size the SVG gives, with its labelled peaks drawn; and the session's
waveforms read by sigrok-cli, whose SPI decoder finds the relay word that
the demo loads.

usage: plot_test.py DEMO WORK_DIR
"""
import pathlib
import shutil
import struct
import subprocess
import sys
import zlib

WIDTH, HEIGHT = 800, 400
PEAK_LABELS = ("512 Hz, 0.500", "1600 Hz, 0.125")
RELAY_WORD = 0x8421


def png_pixels(path):
    """The size and the raw (filtered) scanlines of an 8-bit PNG."""
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path} is not a PNG")
    position, size, idat = 8, None, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            size = struct.unpack(">II", body[:8])
        elif kind == b"IDAT":
            idat += body
        position += 12 + length
    return size, zlib.decompress(idat)


def main(demo, work):
    for tool in ("rsvg-convert", "sigrok-cli"):
        if shutil.which(tool) is None:
            print(f"{tool} is not installed: not checked")
            sys.exit(77)
    work = pathlib.Path(work)
    shutil.rmtree(work, ignore_errors=True)
    subprocess.run([demo, "--plot", str(work)], check=True, stdout=subprocess.DEVNULL)
    svg, vcd, png = work / "spectrum.svg", work / "session.vcd", work / "spectrum.png"
    text = svg.read_text()
    for label in PEAK_LABELS + ("frequency (Hz)", "magnitude"):
        if label not in text:
            sys.exit(f"the SVG has no label {label!r}")

    subprocess.run(["rsvg-convert", str(svg), "-o", str(png)], check=True)
    size, scanlines = png_pixels(png)
    if size != (WIDTH, HEIGHT):
        sys.exit(f"the rendered PNG is {size}, not {(WIDTH, HEIGHT)}")
    # Drawn, not blank: the white background and the curve, axes and labels.
    distinct = len(set(scanlines))
    if distinct < 16:
        sys.exit(f"the rendered PNG holds {distinct} distinct byte values: nothing drawn")

    decoder = "spi:clk=relay_clk:mosi=relay_data:cs=relay_load:wordsize=16"
    decoded = subprocess.run(["sigrok-cli", "-i", str(vcd), "-P", decoder, "-A", "spi=mosi-data"],
                             capture_output=True, text=True, check=True).stdout.split()
    if f"{RELAY_WORD:04X}" not in decoded:
        sys.exit(f"sigrok decodes {decoded} on the relay's wires, not {RELAY_WORD:04x}")
    print(f"spectrum.svg rendered to {WIDTH}x{HEIGHT} ({png.stat().st_size} bytes, {distinct} distinct bytes); "
          f"session.vcd: sigrok finds the relay word {RELAY_WORD:04x}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
