// The amplitude spectrum of a transform result, in place in the real array.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "signal/signal.h"

namespace lineio {
namespace {

// No amplitude falls below this floor: the comparison is made against the
// double, the value stored is the nearest single (just above the double).
constexpr double AmplitudeFloor = 0.0003;
constexpr float StoredFloor = 0.0003f;

// The magnitude as the host has always received it: squares and square root
// through the standard library's pow. (A square of a widened float is exact
// in double, so the compiler may form it as a product without changing it;
// the root stays pow, which is not always the same as sqrt in the last bit.)
float Amplitude(float real, float imaginary) {
  const double a = std::pow(static_cast<double>(real), 2.0);
  const double b = std::pow(static_cast<double>(imaginary), 2.0);
  const float magnitude = static_cast<float>(std::pow(b + a, 0.5));
  // Not at least the floor: also true of a NaN.
  return magnitude >= AmplitudeFloor ? magnitude : StoredFloor;
}

}  // namespace

void AmplitudeSpectrum(std::uint16_t n, float* real, const float* imaginary) {
  if (real == nullptr || imaginary == nullptr) return;
  const std::size_t last = n / 2;
  for (std::size_t i = 0; i <= last; ++i) real[i] = Amplitude(real[i], imaginary[i]);
}

}  // namespace lineio
