"""How a board name or a path becomes the file that is opened."""

import os
import tempfile
import unittest
from unittest import mock

import lineio
from lineio import _loading
from support import simulated

ENVIRONMENT = ("LINEIO_KESTREL_LIBRARY", "LINEIO_MERLIN_LIBRARY", "LINEIO_SIM_DIR")


class LoadingTest(unittest.TestCase):
    def setUp(self):
        self.test_library = simulated("kestrel").path  # the build's, from the environment
        environment = mock.patch.dict(os.environ)
        environment.start()
        self.addCleanup(environment.stop)
        for name in ENVIRONMENT:
            os.environ.pop(name, None)

    def test_names_and_paths(self):
        cases = [
            ("kestrel", False, "libkestrel.so.1"),
            ("Merlin", False, "libmerlin.so.1"),
            ("/opt/lineio/lib/libkestrel.so.1", False, "/opt/lineio/lib/libkestrel.so.1"),
            ("libmerlin.so", True, "libmerlin.so"),
        ]
        for library, simulated_flavour, expected in cases:
            with self.subTest(library=library):
                self.assertEqual(lineio.find_library(library, simulated=simulated_flavour), expected)
        with self.assertRaises(ValueError):
            lineio.find_library("falcon")

    def test_environment_names_the_board_library(self):
        os.environ["LINEIO_MERLIN_LIBRARY"] = "/somewhere/libmerlin.so.1"
        self.assertEqual(lineio.find_library("merlin"), "/somewhere/libmerlin.so.1")
        self.assertEqual(lineio.find_library("merlin", simulated=True), "/somewhere/libmerlin.so.1")
        self.assertEqual(lineio.find_library("kestrel"), "libkestrel.so.1")

    def test_simulation_flavour_from_its_folder(self):
        with tempfile.TemporaryDirectory() as folder:
            os.symlink(self.test_library, os.path.join(folder, "libkestrel.so.1"))
            os.environ["LINEIO_SIM_DIR"] = folder
            library = lineio.load("kestrel", simulated=True)
            self.assertEqual(library.path, os.path.join(folder, "libkestrel.so.1"))
            self.assertEqual(library.Test2(bytearray(10)), 11)
            with mock.patch.object(_loading, "_installed_sim_directories", return_value=[]):
                with self.assertRaises(FileNotFoundError) as raised:
                    lineio.find_library("merlin", simulated=True)
            self.assertIn(folder, str(raised.exception))


if __name__ == "__main__":
    unittest.main()
