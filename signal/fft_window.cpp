// The header and the windows that weight the samples before the transform.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "signal/signal.h"

namespace lineio {
namespace {

// The header of the real array: 5000 div n, the host's scale for the spectrum.
constexpr unsigned HeaderDividend = 5000;

struct RaisedCosine {
  double Slope;   // weight of cos(theta)
  double Offset;  // the constant part
};
constexpr RaisedCosine Hamming{0.46, 0.54};
constexpr RaisedCosine Hann{0.5, 0.5};

// Rectangular window: x[i] / n. With n a power of two the quotient is x[i]
// times the exact reciprocal, rounded once; the same value as the division.
// Sample i is read before elements i are written, in ascending order, which
// matters only when the caller's arrays overlap otherwise than the samples
// being the real array itself; the other cases take loops over chunks of
// Chunk elements (n a multiple of it), which the compiler vectorises.
constexpr std::size_t Chunk = 8;

void WeightInOrder(std::size_t n, const float* samples, float reciprocal, float* real, float* imaginary) {
  for (std::size_t i = 1; i <= n; ++i) {
    real[i] = samples[i] * reciprocal;
    imaginary[i] = 0.0f;
  }
}

void WeightApart(std::size_t n, const float* __restrict samples, float reciprocal, float* __restrict real,
                 float* __restrict imaginary) {
  for (std::size_t i = 1; i <= n; i += Chunk) {
    for (std::size_t k = i; k < i + Chunk; ++k) {
      real[k] = samples[k] * reciprocal;
      imaginary[k] = 0.0f;
    }
  }
}

void WeightInPlace(std::size_t n, float reciprocal, float* __restrict real, float* __restrict imaginary) {
  for (std::size_t i = 1; i <= n; i += Chunk) {
    for (std::size_t k = i; k < i + Chunk; ++k) {
      real[k] *= reciprocal;
      imaginary[k] = 0.0f;
    }
  }
}

// True when elements 1..n of the two arrays share no byte.
bool Apart(const float* a, const float* b, std::size_t n) {
  const auto first = reinterpret_cast<std::uintptr_t>(a + 1);
  const auto second = reinterpret_cast<std::uintptr_t>(b + 1);
  const std::uintptr_t bytes = n * sizeof(float);
  return first + bytes <= second || second + bytes <= first;
}

void WeightRectangular(const TransformCall& call) {
  const std::size_t n = call.N;
  const float reciprocal = 1.0f / static_cast<float>(n);
  if (n % Chunk != 0 || !Apart(call.Real, call.Imaginary, n)) {
    WeightInOrder(n, call.Samples, reciprocal, call.Real, call.Imaginary);
  } else if (call.Samples == call.Real) {
    WeightInPlace(n, reciprocal, call.Real, call.Imaginary);
  } else if (Apart(call.Samples, call.Real, n) && Apart(call.Samples, call.Imaginary, n)) {
    WeightApart(n, call.Samples, reciprocal, call.Real, call.Imaginary);
  } else {
    WeightInOrder(n, call.Samples, reciprocal, call.Real, call.Imaginary);
  }
}

// Raised-cosine window over i = 1..n: theta = ((2.0 * P) * i) / n - P runs
// from just above -P to P, so the weight peaks at i = n/2 and ends at i = n.
// The weight is rounded to single precision before it scales the sample.
void WeightRaisedCosine(const TransformCall& call, RaisedCosine shape) {
  const double n = static_cast<double>(call.N);
  for (std::size_t i = 1; i <= call.N; ++i) {
    const double theta = ((2.0 * Circle) * static_cast<double>(i)) / n - Circle;
    const float weight = static_cast<float>((std::cos(theta) * shape.Slope + shape.Offset) / n);
    call.Real[i] = static_cast<float>(static_cast<double>(weight) * static_cast<double>(call.Samples[i]));
    call.Imaginary[i] = 0.0f;
  }
}

}  // namespace

void ApplyWindow(const TransformCall& call) {
  call.Real[0] = static_cast<float>(HeaderDividend / call.N);
  call.Imaginary[0] = 0.0f;
  switch (call.Window) {
    case WindowRectangular: WeightRectangular(call); break;
    case WindowHamming: WeightRaisedCosine(call, Hamming); break;
    case WindowHann: WeightRaisedCosine(call, Hann); break;
    default: break;  // the caller's complex data is transformed as it is
  }
}

}  // namespace lineio
