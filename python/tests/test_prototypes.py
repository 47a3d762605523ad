"""The module declares every export of the export list with the argument
names and types and the result types of the public header."""

import ctypes
import re
import unittest

import lineio
from support import BOARDS, export_names, repository_file, simulated

SCALARS = {
    "void": None,
    "const char*": ctypes.c_char_p,
    "int32_t": ctypes.c_int32,
    "uint16_t": ctypes.c_uint16,
    "uint32_t": ctypes.c_uint32,
}

# A pointer argument is an address; what matters of its elements is their
# kind and width, which decide how the buffers are checked. (FFTK32's table
# is 16-bit either way, signed or not.)
POINTED = {"float": ("float", 4), "uint8_t": ("int", 1), "uint16_t": ("int", 2), "int16_t": ("int", 2)}


def pointed_kind(ctype):
    element = ctype._type_
    kind = "float" if element is ctypes.c_float else "int"
    return kind, ctypes.sizeof(element)


def header_declarations():
    """name: (result, [(argument type, pointer, argument name)]) of every
    LINEIO_CALL declaration."""
    text = repository_file("LINEIO_HEADER", "include/lineio.h").read_text()
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    declarations = {}
    for result, name, arguments in re.findall(r"(\w+(?: \w+)?\*?)\s+LINEIO_CALL\s+(\w+)\s*\(([^)]*)\)\s*;", text):
        types = []
        for argument in arguments.split(","):
            words = argument.replace("const", " ").replace("*", " * ").split()
            if words == ["void"]:
                continue
            types.append((words[0], "*" in words, words[-1]))
        declarations[name] = (result, types)
    return declarations


class PrototypesTest(unittest.TestCase):
    def test_every_export_is_declared_once_in_the_header_order(self):
        self.assertEqual(list(lineio.PROTOTYPES), export_names())
        # The 37 exports, then the extension calls.
        self.assertEqual(len(lineio.PROTOTYPES), 37 + len(lineio.EXTENSIONS))
        self.assertEqual(list(lineio.PROTOTYPES)[37:], list(lineio.EXTENSIONS))

    def test_types_match_the_header(self):
        declared = header_declarations()
        self.assertEqual(sorted(declared), sorted(export_names()))
        for name, (result, arguments) in lineio.PROTOTYPES.items():
            with self.subTest(export=name):
                header_result, header_arguments = declared[name]
                self.assertIs(result, SCALARS[header_result])
                self.assertEqual(len(arguments), len(header_arguments))
                self.assertEqual(lineio.ARGUMENT_NAMES[name], tuple(named for _, _, named in header_arguments))
                for ctype, (c_type, pointer, _) in zip(arguments, header_arguments):
                    if not pointer:
                        self.assertIs(ctype, SCALARS[c_type])
                    elif c_type == "char":
                        self.assertIs(ctype, ctypes.c_char_p)
                    else:
                        self.assertEqual(pointed_kind(ctype), POINTED[c_type])

    def test_loaded_functions_carry_the_prototypes(self):
        for board in BOARDS:
            library = simulated(board)
            for name, (result, arguments) in lineio.PROTOTYPES.items():
                with self.subTest(board=board, export=name):
                    function = getattr(library.raw, name)
                    self.assertIs(function.restype, result)
                    self.assertEqual(tuple(function.argtypes), arguments)
                    # Every export is a checked method of the same name.
                    self.assertTrue(callable(getattr(library, name)))
                    self.assertIsNot(getattr(library, name), function)


if __name__ == "__main__":
    unittest.main()
