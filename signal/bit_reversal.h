// The reordering of the butterfly network's output when the permutation
// table is the standard one (element k goes to 1 + the bit reversal of k - 1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace lineio {

// The low `bits` bits of value in reverse order.
constexpr std::size_t ReverseBits(std::size_t value, unsigned bits) {
  std::size_t reversed = 0;
  for (unsigned b = 0; b < bits; ++b, value >>= 1) reversed = (reversed << 1) | (value & 1);
  return reversed;
}

// True when permutation[k] == 1 + bit reversal of (k - 1) for k = 1..n,
// n a power of two; always false below 16 elements (not worth recognising).
bool IsBitReversalTable(std::size_t n, const std::uint16_t* permutation);

// Swaps elements 1 + x and 1 + reverse(x) of both arrays for every x below
// its reversal, block by block so that the elements of a few rows of the
// arrays are used while they are in the cache. The swaps are of disjoint
// pairs, so the result is that of swapping in ascending order of x.
void SwapBitReversedPairs(std::size_t n, float* real, float* imaginary);

}  // namespace lineio
