// The three tables of a transform length: the permutation that brings the
// butterfly network's output into natural order, and the twiddle factors.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "signal/signal.h"

namespace lineio {
namespace {

// Where element k of the network's output belongs: the remainder loop peels
// halves off k, collecting the weights of the halves it removes, which for a
// power of two is 1 + the bit reversal of k - 1.
std::uint16_t PermutationEntry(std::size_t k, std::size_t n) {
  std::size_t remainder = k;
  std::size_t half = n / 2;
  std::size_t weight = 1;
  std::size_t sum = 0;
  for (;;) {
    if (remainder > half) {
      sum += weight;
      remainder -= half;
    }
    if (half == 1) break;
    half /= 2;
    weight *= 2;
    if (half == 0) break;
  }
  return static_cast<std::uint16_t>(sum + 1);
}

// Angle of twiddle k: ((2.0 * P) * (k - 1)) / n, in double precision.
double TwiddleAngle(std::size_t k, std::size_t n) {
  return ((2.0 * Circle) * static_cast<double>(k - 1)) / static_cast<double>(n);
}

}  // namespace

void BuildFftTables(std::size_t n, float* cosine, float* sine, std::uint16_t* permutation) {
  for (std::size_t k = 1; k <= n; ++k) permutation[k] = PermutationEntry(k, n);
  for (std::size_t k = 1; k <= n; ++k) {
    const double angle = TwiddleAngle(k, n);
    cosine[k] = static_cast<float>(std::cos(angle));
    sine[k] = static_cast<float>(-std::sin(angle));
  }
}

void PrepareFftTables(std::uint16_t n, float* cosine, float* sine, std::uint16_t* permutation) {
  if (!IsTransformLength(n, MaxTableLength)) return;
  if (cosine == nullptr || sine == nullptr || permutation == nullptr) return;
  BuildFftTables(n, cosine, sine, permutation);
}

}  // namespace lineio
