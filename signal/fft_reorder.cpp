// Brings the butterfly network's output into natural frequency order by the
// permutation table: for i = 1..n in ascending order, element i changes
// place with element permutation[i] when i < permutation[i].
#include <cstddef>
#include <cstdint>
#include <utility>

#include "signal/signal.h"

namespace lineio {

void ReorderByPermutation(std::size_t n, float* real, float* imaginary, const std::uint16_t* permutation) {
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

}  // namespace lineio
