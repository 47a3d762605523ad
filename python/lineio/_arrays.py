"""The arrays the helpers give back: numpy arrays when numpy can be imported,
array.array otherwise (USES_NUMPY says which). Both hold the same elements:
32-bit floats (numpy float32, typecode 'f') and 16-bit words (numpy uint16,
typecode 'H')."""

from __future__ import annotations

import array
import math
from typing import TYPE_CHECKING, Any, Sequence, Union

if TYPE_CHECKING:
    import numpy
    from numpy.typing import NDArray

try:
    import numpy as np

    USES_NUMPY = True
except ImportError:  # numpy is optional: results are array.array then
    USES_NUMPY = False

Floats = Union["NDArray[numpy.float32]", "array.array[float]"]
Words = Union["NDArray[numpy.uint16]", "array.array[int]"]


def is_numpy_array(value: object) -> bool:
    return USES_NUMPY and isinstance(value, np.ndarray)


def floats(count: int) -> Floats:
    """count 32-bit floats of 0."""
    if USES_NUMPY:
        return np.zeros(count, dtype=np.float32)
    return array.array("f", bytes(4 * count))


def words(count: int) -> Words:
    """count 16-bit words of 0."""
    if USES_NUMPY:
        return np.zeros(count, dtype=np.uint16)
    return array.array("H", bytes(2 * count))


def floats_from(values: Sequence[float]) -> Floats:
    """A new array of 32-bit floats holding the values."""
    if USES_NUMPY:
        return np.array(values, dtype=np.float32).reshape(-1)
    return array.array("f", (float(value) for value in values))


def floats_after_header(values: Sequence[float], n: int, what: str) -> Floats:
    """Element 0 (outside the transform, 0) followed by exactly n values,
    rounded to 32-bit floats: a list, a tuple or any array of numbers."""
    count = len(values)
    if count != n:
        raise ValueError(f"{what}: {n} values for a transform of length {n}, not {count}")
    if USES_NUMPY:
        padded = np.zeros(n + 1, dtype=np.float32)
        padded[1:] = np.asarray(values, dtype=np.float32)
        return padded
    return array.array("f", [0.0]) + array.array("f", (float(value) for value in values))


def magnitudes(real: Floats, imaginary: Floats, first: int, count: int) -> Floats:
    """sqrt(real² + imaginary²) of elements first..first + count - 1, in double
    precision, rounded to 32-bit floats."""
    if USES_NUMPY:
        end = first + count
        re = np.asarray(real[first:end], dtype=np.float64)
        im = np.asarray(imaginary[first:end], dtype=np.float64)
        result: Any = np.hypot(re, im).astype(np.float32)
        return result  # type: ignore[no-any-return]
    return array.array("f", (math.hypot(real[k], imaginary[k]) for k in range(first, first + count)))
