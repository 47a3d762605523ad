"""A 256-point transform through the module equals, bit for bit, what a C host
computes with the library: tables, result arrays and spectrum."""

import array
import os
import random
import subprocess
import tempfile
import unittest

import lineio
from support import simulated

N = 256

# window, direction
CASES = [
    (lineio.WINDOW_RECTANGULAR, lineio.FORWARD),
    (lineio.WINDOW_HAMMING, lineio.FORWARD),
    (lineio.WINDOW_HANN, lineio.INVERSE),
    (lineio.WINDOW_NONE, lineio.FORWARD),
    (lineio.WINDOW_NONE, lineio.INVERSE),
]


def reference_program():
    program = os.environ.get("LINEIO_FFT_REFERENCE")
    if not program:
        raise unittest.SkipTest("LINEIO_FFT_REFERENCE names no reference program (ctest sets it)")
    return program


def random_floats(generator, count):
    return array.array("f", (generator.uniform(-1000.0, 1000.0) for _ in range(count)))


class TransformTest(unittest.TestCase):
    def c_result(self, samples, second, window, direction):
        with tempfile.TemporaryDirectory() as directory:
            given = os.path.join(directory, "input.bin")
            result = os.path.join(directory, "output.bin")
            with open(given, "wb") as file:
                file.write(samples.tobytes() + second.tobytes())
            subprocess.run([reference_program(), given, str(window), str(direction), result], check=True)
            with open(result, "rb") as file:
                return file.read()

    def module_result(self, library, samples, second, window, direction):
        tables = library.fft_tables(N)
        if window == lineio.WINDOW_NONE:
            transform = library.fft_complex(tables, samples[1:], second[1:], direction)
        else:
            transform = library.fft(tables, samples[1:], window, direction)
        amplitudes = library.amplitudes(*transform)
        arrays = (tables.cosine, tables.sine, tables.permutation, *transform, amplitudes)
        for values in arrays:
            self.assertEqual(len(values), N + 1)
        return b"".join(values.tobytes() for values in arrays)

    def test_equals_the_c_result_bit_for_bit(self):
        library = simulated("kestrel")
        generator = random.Random(20261207)
        for window, direction in CASES:
            with self.subTest(window=window, direction=direction):
                samples = random_floats(generator, N + 1)
                second = random_floats(generator, N + 1)
                samples[0] = second[0] = 0.0
                expected = self.c_result(samples, second, window, direction)
                self.assertEqual(len(expected), (5 * 4 + 2) * (N + 1))
                self.assertEqual(self.module_result(library, samples, second, window, direction), expected)

    def test_layout_of_a_result(self):
        # Eight samples of 1, rectangular window: the header 5000 div 8 in
        # element 0, frequency 0 in element 1, nothing elsewhere.
        library = simulated("merlin")
        transform = library.fft(library.fft_tables(8), [1.0] * 8)
        self.assertEqual(list(transform.real), [625.0, 1.0] + [0.0] * 7)
        self.assertEqual(list(transform.imaginary), [0.0] * 9)
        floor = array.array("f", [0.0003])[0]  # the single-precision 0.0003
        self.assertEqual(list(library.amplitudes(*transform))[:5], [625.0, 1.0, floor, floor, floor])


if __name__ == "__main__":
    unittest.main()
