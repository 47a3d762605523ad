"""spectrum(samples, window=...) gives what numpy.fft gives for the same
samples and window: the magnitudes of the frequencies 0 to n/2, in natural
order, without the library's header, with the library's 1/n."""

import array
import math
import random
import unittest

import lineio
from support import simulated

try:
    import numpy
except ImportError:
    numpy = None

# The largest difference allowed, relative to the largest magnitude of the
# spectrum (single-precision transform of up to 16384 points against a
# double-precision one; the library's circle constant 3.14159 adds about
# 3e-6), and relative to the magnitude itself where that is at least a
# thousandth of the largest.
TO_LARGEST = 1e-5
TO_ITSELF = 2e-3


def numpy_spectrum(samples, window):
    """abs(rfft(samples * w)) with the library's window w (with its 1/n) over
    i = 1..n, computed with numpy in double precision."""
    n = len(samples)
    theta = 2 * numpy.pi * numpy.arange(1, n + 1) / n - numpy.pi
    weights = {
        "rectangular": numpy.ones(n),
        "hamming": 0.46 * numpy.cos(theta) + 0.54,
        "hann": 0.5 * numpy.cos(theta) + 0.5,
    }[window] / n
    return numpy.abs(numpy.fft.rfft(numpy.asarray(samples, dtype=numpy.float64) * weights))


def signal(generator, n):
    """Noise and two tones, one between two frequencies, rounded to single
    precision as the library takes them."""
    values = [
        generator.uniform(-1.0, 1.0) + 3.0 * math.sin(2 * math.pi * 5 * i / n) + math.cos(2 * math.pi * 10.5 * i / n)
        for i in range(n)
    ]
    return array.array("f", values).tolist()


class SpectrumTest(unittest.TestCase):
    def setUp(self):
        if numpy is None:
            self.skipTest("numpy is not installed")
        self.library = simulated("kestrel")

    def test_equals_numpy_fft(self):
        generator = random.Random(20261208)
        largest = {"to the largest": 0.0, "to itself": 0.0}
        for n in (2, 8, 256, 4096, 16384):
            for window in ("rectangular", "hamming", "hann"):
                with self.subTest(n=n, window=window):
                    samples = signal(generator, n)
                    got = numpy.asarray(self.library.spectrum(samples, window=window), dtype=numpy.float64)
                    expected = numpy_spectrum(samples, window)
                    self.assertEqual(got.shape, (n // 2 + 1,))
                    difference = numpy.abs(got - expected)
                    peak = expected.max()
                    visible = expected >= peak / 1000
                    to_largest = float(difference.max() / peak)
                    to_itself = float((difference[visible] / expected[visible]).max())
                    self.assertLessEqual(to_largest, TO_LARGEST)
                    self.assertLessEqual(to_itself, TO_ITSELF)
                    largest["to the largest"] = max(largest["to the largest"], to_largest)
                    largest["to itself"] = max(largest["to itself"], to_itself)
        print(f"spectrum against numpy.fft, largest relative difference: {largest}")

    def test_the_window_by_name_and_number(self):
        samples = signal(random.Random(7), 64)
        for name, number in lineio.WINDOWS.items():
            with self.subTest(window=name):
                self.assertEqual(
                    self.library.spectrum(samples, window=name).tolist(),
                    self.library.spectrum(samples, window=number).tolist(),
                )
        # The rectangular window is the default and differs from the others.
        self.assertEqual(self.library.spectrum(samples).tolist(), self.library.spectrum(samples, 1).tolist())
        self.assertNotEqual(self.library.spectrum(samples, "hann").tolist(), self.library.spectrum(samples).tolist())

    def test_refusals(self):
        cases = [
            ("a length that is no power of two", lambda: self.library.spectrum([0.0] * 6)),
            ("a length above the tables'", lambda: self.library.spectrum([0.0] * 32768)),
            ("one sample", lambda: self.library.spectrum([1.0])),
            ("no window of that name", lambda: self.library.spectrum([0.0] * 8, window="blackman")),
            ("window 0 reads no samples", lambda: self.library.spectrum([0.0] * 8, window=0)),
        ]
        for what, call in cases:
            with self.subTest(what):
                with self.assertRaises(ValueError):
                    call()

    def test_small_magnitudes_stay_small(self):
        # FFTP32 would floor these at 0.0003; the spectrum does not.
        spectrum = self.library.spectrum([1.0] * 8)
        self.assertEqual(spectrum[0], 1.0)
        self.assertTrue(all(value < 1e-6 for value in spectrum[1:]), spectrum)


if __name__ == "__main__":
    unittest.main()
