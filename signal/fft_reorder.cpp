// Brings the butterfly network's output into natural frequency order by the
// permutation table: for i = 1..n in ascending order, element i changes
// place with element permutation[i] when i < permutation[i]. From
// BlockedReorderFrom elements on, where the arrays no longer fit the
// first-level cache together, the standard table (the bit reversal that the
// table export writes) is done block by block instead, with the same result;
// any other table takes the plain loop.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "signal/bit_reversal.h"
#include "signal/signal.h"

namespace lineio {
namespace {

constexpr std::size_t BlockedReorderFrom = 16384;

void ReorderPlainly(std::size_t n, float* real, float* imaginary, const std::uint16_t* permutation) {
  for (std::size_t i = 1; i <= n; ++i) {
    const std::size_t r = permutation[i];
    // An entry beyond n cannot come from the table export; it is skipped
    // rather than followed outside the caller's arrays.
    if (i < r && r <= n) {
      std::swap(real[i], real[r]);
      std::swap(imaginary[i], imaginary[r]);
    }
  }
}

}  // namespace

void ReorderByPermutation(std::size_t n, float* real, float* imaginary, const std::uint16_t* permutation) {
  if (n >= BlockedReorderFrom && IsBitReversalTable(n, permutation)) {
    SwapBitReversedPairs(n, real, imaginary);
  } else {
    ReorderPlainly(n, real, imaginary, permutation);
  }
}

}  // namespace lineio
