// Helpers of the signal tests: one-based arrays as the host passes them,
// bit patterns, and the transform called the way the host calls it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "lineio.h"
#include "signal/signal.h"

namespace lineio::testing {

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
      : N(length), Cosine(length + 1), Sine(length + 1), Permutation(length + 1) {
    if (N <= MaxTableLength) {
      FFTK32(static_cast<std::uint16_t>(N), Cosine.data(), Sine.data(), Permutation.data());
    } else {
      BuildFftTables(N, Cosine.data(), Sine.data(), Permutation.data());
    }
  }
  std::size_t N;
  std::vector<float> Cosine;
  std::vector<float> Sine;
  std::vector<std::uint16_t> Permutation;
};

// Real and imaginary arrays of n + 1 elements.
struct Spectrum {
  explicit Spectrum(std::size_t n) : Real(n + 1), Imaginary(n + 1) {}
  std::vector<float> Real;
  std::vector<float> Imaginary;
};

inline void Transform(const Tables& tables, Spectrum& data, std::uint16_t window, const float* samples,
                      std::uint16_t direction) {
  FFT32(static_cast<std::uint16_t>(tables.N), tables.Cosine.data(), tables.Sine.data(), data.Real.data(),
        data.Imaginary.data(), tables.Permutation.data(), window, samples, direction);
}

// Every power of two a transform takes.
inline std::vector<std::size_t> TransformLengths() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 2; n <= MaxTransformLength; n *= 2) lengths.push_back(n);
  return lengths;
}

inline unsigned Log2(std::size_t n) { return static_cast<unsigned>(std::countr_zero(n)); }

}  // namespace lineio::testing
