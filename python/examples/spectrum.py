"""The magnitude spectrum of a sampled tone through the library's transform.
Needs no board: the transform exports touch only the host's arrays.

    python3 spectrum.py
"""

import math

import lineio


def main() -> None:
    n = 256
    samples = [2.0 * math.sin(2 * math.pi * 12 * i / n) + 0.5 for i in range(n)]
    library = lineio.load("kestrel", simulated=True)
    magnitudes = library.spectrum(samples, window="hann")  # frequencies 0 .. n/2
    peak = max(range(1, len(magnitudes)), key=lambda k: float(magnitudes[k]))
    print(f"{len(magnitudes)} magnitudes ({type(magnitudes).__module__} array)")
    print(f"frequency 0: {float(magnitudes[0]):.4f}")
    print(f"peak: frequency {peak}, {float(magnitudes[peak]):.4f}")


if __name__ == "__main__":
    main()
