// Signal analysis and data conversion: the Fourier transform with its tables
// and windows, the amplitude spectrum and the byte/word array conversions.
//
// Every array of the transform family is used from element 1 to element n;
// element 0 lies outside the transform (the transform writes a header there).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace lineio {

// The circle constant of the tables and windows: 3.14159, not pi. The small
// deviations it causes (cos of a quarter turn is 1.3e-6, not 0) are part of
// every result the host has ever seen, so they are kept.
// Kept: 3.14159 rather than pi, so every table and window has the bits hosts have always had.
inline constexpr double Circle = 3.14159;
static_assert(std::bit_cast<std::uint64_t>(Circle) == 0x400921F9F01B866EULL);

// Longest transform that the table export prepares (its original loop counter
// was a signed 16-bit value) and longest that the transform export runs.
// Kept: the table export stops at 16384 though the transform runs up to 32768.
inline constexpr std::size_t MaxTableLength = 16384;
inline constexpr std::size_t MaxTransformLength = 32768;

// A transform length is a power of two from 2 up to the given limit.
constexpr bool IsTransformLength(std::size_t n, std::size_t limit) {
  return n >= 2 && n <= limit && std::has_single_bit(n);
}

// ---- Tables -----------------------------------------------------------------

// Permutation table by the remainder loop, then the cosine and sine tables
// (elements 1..n each). n must be a power of two from 2 to 32768; nothing is
// checked. Values of the permutation table run from 1 to n.
void BuildFftTables(std::size_t n, float* cosine, float* sine, std::uint16_t* permutation);

// The table export: writes nothing unless n is a transform length of at most
// MaxTableLength and no pointer is null.
void PrepareFftTables(std::uint16_t n, float* cosine, float* sine, std::uint16_t* permutation);

// ---- Transform --------------------------------------------------------------

// Window selectors of the transform; any other value transforms the complex
// data the caller left in the real and imaginary arrays.
enum WindowSelector : std::uint16_t {
  WindowRectangular = 1,
  WindowHamming = 2,
  WindowHann = 3,
};

struct TransformCall {
  std::uint16_t N;
  const float* Cosine;
  const float* Sine;
  float* Real;
  float* Imaginary;
  const std::uint16_t* Permutation;
  std::uint16_t Window;
  const float* Samples;     // may be the real array itself
  std::uint16_t Direction;  // 0 forward, other inverse
};

// Writes the header (5000 div n into real[0], 0 into imaginary[0]) and
// weights the samples into elements 1..n by the selected window. Nothing is
// weighted for a selector outside 1 to 3.
void ApplyWindow(const TransformCall& call);

// The in-place butterfly network over elements 1..n of the real and
// imaginary arrays (decimation in frequency, output in bit-reversed order).
struct ButterflyNetwork {
  std::size_t N;
  const float* Cosine;
  const float* Sine;
  float* Real;
  float* Imaginary;
  bool Inverse;
};

// The ways of running the network. Every path gives the same bits; the
// vector paths run the independent butterflies of a stage side by side in
// double lanes, with the operations of the scalar path in the same order.
// Listed from the slowest to the fastest.
enum class ButterflyPath { Scalar, Sse2, Avx2, Avx512 };

// True when the path is compiled for this target and this processor runs it.
bool ButterflyPathAvailable(ButterflyPath path);
// The fastest path this processor runs.
ButterflyPath FastestButterflyPath();
// The network on the path, or on the scalar path where that is not available.
void RunButterflies(const ButterflyNetwork& network, ButterflyPath path);
// The network followed by the reordering by the standard permutation table,
// on a vector path; false, with nothing done, where the path has no such
// form for the network's length (the scalar path never has).
bool RunButterfliesInOrder(const ButterflyNetwork& network, ButterflyPath path);

// Brings the network's output into natural frequency order: for i = 1..n,
// swaps elements i and permutation[i] when i < permutation[i] <= n.
void ReorderByPermutation(std::size_t n, float* real, float* imaginary, const std::uint16_t* permutation);

// Header, window, butterfly network and reordering on the given path. With
// the standard permutation table, a vector path reorders along with the
// network's last stages (RunButterfliesInOrder); any other table is followed
// entry by entry after the network.
// Writes nothing unless n is a transform length of at most
// MaxTransformLength and every pointer the call reads is non-null.
void FourierTransform(const TransformCall& call, ButterflyPath path);
void FourierTransform(const TransformCall& call);

// ---- Spectrum ---------------------------------------------------------------

// Replaces real[0..n div 2] by the magnitude of (real[i], imaginary[i]),
// floored at 0.0003. Null arrays write nothing.
void AmplitudeSpectrum(std::uint16_t n, float* real, const float* imaginary);

// ---- Array conversion (little-endian pairs; null arrays write nothing) ------

// words[i] = bytes[2i] + 256 * bytes[2i + 1]
void PackBytePairs(const std::uint8_t* bytes, std::uint16_t* words, std::uint16_t count);
// bytes[2i] = low byte of words[i], then bytes[2i + 1] = its high byte
void UnpackWordPairs(const std::uint16_t* words, std::uint8_t* bytes, std::uint16_t count);
// words[i] = bytes[i], zero-extended
void WidenBytes(const std::uint8_t* bytes, std::uint16_t* words, std::uint16_t count);
// bytes[i] = low byte of words[i]
void NarrowWords(const std::uint16_t* words, std::uint8_t* bytes, std::uint16_t count);

}  // namespace lineio
