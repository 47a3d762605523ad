// Helpers of the signal tests: one-based arrays as the host passes them,
// bit patterns, and the transform called the way the host calls it.
#ifndef LINEIO_TESTS_SIGNAL_SIGNAL_TEST_SUPPORT_H
#define LINEIO_TESTS_SIGNAL_SIGNAL_TEST_SUPPORT_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lineio.h"
#include "signal/signal.h"

namespace lineio::test {

inline std::uint32_t Bits(float x) { return std::bit_cast<std::uint32_t>(x); }
inline float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

// Bit patterns of elements first..last of an array.
inline std::vector<std::uint32_t> BitsOf(const std::vector<float>& v, std::size_t first, std::size_t last) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = first; i <= last; ++i) out.push_back(Bits(v[i]));
  return out;
}

// The three tables of a length, as the host holds them (n + 1 elements).
// Lengths above the table export's limit are built by the internal builder.
struct Tables {
  explicit Tables(std::size_t length)
      : n(length), cosine(length + 1), sine(length + 1), permutation(length + 1) {
    if (n <= kMaxTableLength) {
      FFTK32(static_cast<std::uint16_t>(n), cosine.data(), sine.data(),
             reinterpret_cast<std::int16_t*>(permutation.data()));
    } else {
      BuildFftTables(n, cosine.data(), sine.data(), permutation.data());
    }
  }
  std::size_t n;
  std::vector<float> cosine;
  std::vector<float> sine;
  std::vector<std::uint16_t> permutation;
};

// Real and imaginary arrays of n + 1 elements.
struct Spectrum {
  explicit Spectrum(std::size_t n) : real(n + 1), imaginary(n + 1) {}
  std::vector<float> real;
  std::vector<float> imaginary;
};

inline void Transform(const Tables& tables, Spectrum& data, std::uint16_t window, const float* samples,
                      std::uint16_t direction) {
  FFT32(static_cast<std::uint16_t>(tables.n), tables.cosine.data(), tables.sine.data(), data.real.data(),
        data.imaginary.data(), tables.permutation.data(), window, samples, direction);
}

// Every power of two a transform takes.
inline std::vector<std::size_t> TransformLengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 2; n <= kMaxTransformLength; n *= 2) lengths.push_back(n);
  return lengths;
}

inline unsigned Log2(std::size_t n) { return static_cast<unsigned>(std::countr_zero(n)); }

}  // namespace lineio::test

#endif  // LINEIO_TESTS_SIGNAL_SIGNAL_TEST_SUPPORT_H
