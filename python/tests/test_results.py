"""The helpers give numpy arrays when numpy can be imported and array.array
otherwise (lineio.USES_NUMPY says which), with the same elements either way."""

import json
import os
import subprocess
import sys
import unittest

import lineio
from support import simulated

# Runs every helper and prints, as JSON, the type, element type and values of
# each result. Given "no-numpy", numpy cannot be imported.
HELPERS = r"""
import json, sys
if sys.argv[1] == "no-numpy":
    sys.modules["numpy"] = None
import lineio
lib = lineio.load("merlin", simulated=True)
lib.PortInit(0)
lib.PortOut(0x21, 0x1234)
tables = lib.fft_tables(8)
transform = lib.fft(tables, [0, 1, 0, 0, 0, 0, 0, 0])
results = {
    "io_block": lib.io_block(0x20),
    "cosine": tables.cosine,
    "permutation": tables.permutation,
    "real": transform.real,
    "complex": lib.fft_complex(tables, [1] * 8, [0] * 8).imaginary,
    "amplitudes": lib.amplitudes(*transform),
    "spectrum": lib.spectrum([0, 1, 0, 0, 0, 0, 0, 0], window="hann"),
    "chrval1": lib.chrval1(b"\xff\x01"),
    "chrval2": lib.chrval2(b"\x34\x12"),
}
lib.PortEnd()
def element(value):
    return str(value.dtype) if hasattr(value, "dtype") else value.typecode
print(json.dumps({"uses_numpy": lineio.USES_NUMPY, "results": {
    name: [type(value).__module__ + "." + type(value).__name__, element(value), value.tolist()]
    for name, value in results.items()}}))
"""

NUMPY_ELEMENTS = {"f": "float32", "H": "uint16"}


def run_helpers(mode):
    output = subprocess.run(
        [sys.executable, "-c", HELPERS, mode], check=True, capture_output=True, text=True, env=dict(os.environ)
    ).stdout
    return json.loads(output.splitlines()[-1])  # the library prints before


class ResultsTest(unittest.TestCase):
    def test_numpy_arrays_or_array_array_with_the_same_values(self):
        try:
            import numpy  # noqa: F401
        except ImportError:
            self.skipTest("numpy is not installed")
        with_numpy = run_helpers("numpy")
        without = run_helpers("no-numpy")
        self.assertTrue(with_numpy["uses_numpy"])
        self.assertFalse(without["uses_numpy"])
        self.assertEqual(sorted(with_numpy["results"]), sorted(without["results"]))
        for name, (kind, element, values) in without["results"].items():
            with self.subTest(helper=name):
                numpy_kind, numpy_element, numpy_values = with_numpy["results"][name]
                self.assertEqual(kind, "array.array")
                self.assertEqual(numpy_kind, "numpy.ndarray")
                self.assertEqual(numpy_element, NUMPY_ELEMENTS[element])
                self.assertEqual(values, numpy_values)
        self.assertEqual(without["results"]["io_block"][2][1], 0x1234)

    def test_uses_numpy_says_what_this_process_gives(self):
        result = simulated("kestrel").chrval1(b"\x01")
        if lineio.USES_NUMPY:
            self.assertEqual(type(result).__module__, "numpy")
        else:
            self.assertEqual(result.typecode, "H")


if __name__ == "__main__":
    unittest.main()
