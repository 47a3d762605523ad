// The header and the windows that weight the samples before the transform.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "signal/signal.h"

namespace lineio {
namespace {

// The header of the real array: 5000 div n, the host's scale for the spectrum.
constexpr unsigned kHeaderDividend = 5000;

struct RaisedCosine {
  double slope;   // weight of cos(theta)
  double offset;  // the constant part
};
constexpr RaisedCosine kHamming{0.46, 0.54};
constexpr RaisedCosine kHann{0.5, 0.5};

// Rectangular window: x[i] / n. With n a power of two the quotient is x[i]
// times the exact reciprocal, rounded once; the same value as the division.
void WeightRectangular(const TransformCall& call) {
  const float reciprocal = 1.0f / static_cast<float>(call.n);
  for (std::size_t i = 1; i <= call.n; ++i) {
    call.real[i] = call.samples[i] * reciprocal;
    call.imaginary[i] = 0.0f;
  }
}

// Raised-cosine window over i = 1..n: theta = ((2.0 * P) * i) / n - P runs
// from just above -P to P, so the weight peaks at i = n/2 and ends at i = n.
// The weight is rounded to single precision before it scales the sample.
void WeightRaisedCosine(const TransformCall& call, RaisedCosine shape) {
  const double n = static_cast<double>(call.n);
  for (std::size_t i = 1; i <= call.n; ++i) {
    const double theta = ((2.0 * kCircle) * static_cast<double>(i)) / n - kCircle;
    const float weight = static_cast<float>((std::cos(theta) * shape.slope + shape.offset) / n);
    call.real[i] = static_cast<float>(static_cast<double>(weight) * static_cast<double>(call.samples[i]));
    call.imaginary[i] = 0.0f;
  }
}

}  // namespace

void ApplyWindow(const TransformCall& call) {
  call.real[0] = static_cast<float>(kHeaderDividend / call.n);
  call.imaginary[0] = 0.0f;
  switch (call.window) {
    case kWindowRectangular: WeightRectangular(call); break;
    case kWindowHamming: WeightRaisedCosine(call, kHamming); break;
    case kWindowHann: WeightRaisedCosine(call, kHann); break;
    default: break;  // the caller's complex data is transformed as it is
  }
}

}  // namespace lineio
