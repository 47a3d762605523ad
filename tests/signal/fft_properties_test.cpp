// Properties of the transform on random data at every length from 2 to
// 32768: it agrees with a direct double-precision DFT, forward then inverse
// gives the samples back, and a pure tone peaks in its own bin.
//
// Error bounds. Let t = log2 n, u = 2^-24 and P = 3.14159.
//  * Rounding. Each butterfly output is its exact value times (1 + d): the sum
//    is rounded once (|d| <= u); the difference is turned by a twiddle that
//    carries the table's rounding (u) and is rounded once (u), the double
//    arithmetic adding below 2^-50. So every stage is its exact matrix A_s
//    (norm sqrt 2) plus an error of relative norm eta = 2.01 u, and after t
//    stages ||computed - exact||_2 <= ((1 + eta)^t - 1) * sqrt(n) * ||z||_2.
//  * The circle constant. The network's twiddles turn by P/pi of the angles
//    of the exact transform; along the path from input m to output k the
//    angles (at most t of them, each below pi) add up to the DFT's angle
//    2 pi mk / n plus whole turns. The reference below reduces mk modulo n
//    and turns by 2P (mk mod n) / n, so the two differ in phase by at most
//    (pi - P) * max(t, 2) per term: |network_k - reference_k| <=
//    (pi - P) * max(t, 2) * ||z||_1.
//  * The reference itself (double sums of n terms): below n * 2^-50 * ||z||_1.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <random>
#include <vector>

#include "signal_test_support.h"

namespace lineio::testing {
namespace {

constexpr double UnitRoundoff = 0x1p-24;
constexpr double StageError = 2.01 * UnitRoundoff;
constexpr double CircleShortfall = std::numbers::pi - Circle;
constexpr float Floor = 0.0003f;  // the spectrum's least amplitude

double Norm1(const std::vector<std::complex<double>>& z) {
  double sum = 0;
  for (const auto& v : z) sum += std::abs(v);
  return sum;
}

double Norm2(const std::vector<std::complex<double>>& z) {
  double sum = 0;
  for (const auto& v : z) sum += std::norm(v);
  return std::sqrt(sum);
}

// Largest error of the network against the reference, per element.
double TransformBound(std::size_t n, const std::vector<std::complex<double>>& z) {
  const double t = Log2(n);
  const double rounding =
      (std::pow(1.0 + StageError, t) - 1.0) * std::sqrt(static_cast<double>(n)) * Norm2(z);
  const double circle = CircleShortfall * std::max(t, 2.0) * Norm1(z);
  const double reference = static_cast<double>(n) * 0x1p-50 * Norm1(z);
  return rounding + circle + reference;
}

// Frequency k of z (z[0] is the data's first element) with the circle
// constant P: the sum of z[m] * exp(-+ i 2P (mk mod n) / n).
std::complex<double> DirectDft(const std::vector<std::complex<double>>& z, std::size_t k, bool inverse) {
  const std::size_t n = z.size();
  const double sign = inverse ? 1.0 : -1.0;
  std::complex<double> sum = 0;
  for (std::size_t m = 0; m < n; ++m) {
    const double angle = 2.0 * Circle * static_cast<double>(m * k % n) / static_cast<double>(n);
    sum += z[m] * std::polar(1.0, sign * angle);
  }
  return sum;
}

// Bins checked against the reference: all of them up to 1024 points, then
// the edges and a random sample (the reference costs n per bin).
std::vector<std::size_t> BinsToCheck(std::size_t n, std::mt19937& random) {
  std::vector<std::size_t> bins;
  if (n <= 1024) {
    for (std::size_t k = 0; k < n; ++k) bins.push_back(k);
    return bins;
  }
  bins = {0, 1, n / 2 - 1, n / 2, n / 2 + 1, n - 1};
  std::uniform_int_distribution<std::size_t> any(0, n - 1);
  for (int i = 0; i < 58; ++i) bins.push_back(any(random));
  return bins;
}

TEST(SignalPropertiesTest, AgreesWithADirectDftAtEveryLength) {
  std::mt19937 random(20240521);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    for (const std::uint16_t direction : std::initializer_list<std::uint16_t>{0, 1}) {
      Spectrum data(n);
      std::vector<std::complex<double>> z(n);
      for (std::size_t i = 1; i <= n; ++i) {
        data.Real[i] = value(random);
        data.Imaginary[i] = value(random);
        z[i - 1] = {data.Real[i], data.Imaginary[i]};
      }
      Transform(tables, data, 0, nullptr, direction);
      const double bound = TransformBound(n, z);
      for (const std::size_t k : BinsToCheck(n, random)) {
        const std::complex<double> expected = DirectDft(z, k, direction != 0);
        const std::complex<double> actual{data.Real[k + 1], data.Imaginary[k + 1]};
        ASSERT_LE(std::abs(actual - expected), bound)
            << "n " << n << " k " << k << " direction " << direction;
      }
    }
  }
}

// Forward with the rectangular window, then inverse of the result with the
// caller's data: the samples come back. The two networks together are an
// exact inverse pair up to 2t stages of rounding (eta each) and twiddles that
// stray from the true circle by at most pi - P (relative, per stage):
// ||back - x||_2 <= ((1 + eta + pi - P)^(2t) (1 + u) - 1) * ||x||_2.
TEST(SignalPropertiesTest, InverseOfForwardGivesTheSamplesBack) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    std::vector<float> samples(n + 1);
    double norm = 0;
    for (std::size_t i = 1; i <= n; ++i) {
      samples[i] = value(random);
      norm += static_cast<double>(samples[i]) * samples[i];
    }
    norm = std::sqrt(norm);
    Spectrum data(n);
    Transform(tables, data, WindowRectangular, samples.data(), 0);
    Transform(tables, data, 0, nullptr, 1);
    double error = 0;
    for (std::size_t i = 1; i <= n; ++i) {
      error += std::norm(std::complex<double>(data.Real[i] - samples[i], data.Imaginary[i]));
    }
    const double t = Log2(n);
    const double bound =
        (std::pow(1.0 + StageError + CircleShortfall, 2 * t) * (1.0 + UnitRoundoff) - 1.0) * norm;
    EXPECT_LE(std::sqrt(error), bound) << "n " << n;
  }
}

// A cosine of amplitude A at bin k (0 < k < n/2) gives A/2 at element k + 1
// of the spectrum and nothing elsewhere below n/2; a constant gives A at
// element 1. The tone is built with the true pi, so the circle constant's
// term is the same as against the reference; rounding the samples adds
// u * ||z||_1 and the amplitude's own rounding u relative.
TEST(SignalPropertiesTest, PureToneLandsInItsBin) {
  std::mt19937 random(99);
  for (const std::size_t n : TransformLengths()) {
    std::vector<std::size_t> bins{0};
    if (n >= 4) bins.push_back(std::uniform_int_distribution<std::size_t>(1, n / 2 - 1)(random));
    const Tables tables(n);
    for (const std::size_t k : bins) {
      const double amplitude = 0.75;
      std::vector<float> samples(n + 1);
      std::vector<std::complex<double>> z(n);
      for (std::size_t m = 0; m < n; ++m) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(m * k % n) / static_cast<double>(n);
        samples[m + 1] = static_cast<float>(amplitude * std::cos(angle));
        z[m] = samples[m + 1] / static_cast<double>(n);
      }
      Spectrum data(n);
      Transform(tables, data, WindowRectangular, samples.data(), 0);
      FFTP32(static_cast<std::uint16_t>(n), data.Real.data(), data.Imaginary.data());

      const double expected = k == 0 ? amplitude : amplitude / 2;
      const double bound = TransformBound(n, z) + UnitRoundoff * Norm1(z) + UnitRoundoff * 2 * expected;
      EXPECT_NEAR(data.Real[k + 1], expected, bound) << "n " << n << " k " << k;
      for (std::size_t i = 1; i <= n / 2; ++i) {
        if (i == k + 1) continue;
        ASSERT_LE(data.Real[i], std::max(bound, static_cast<double>(Floor)))
            << "n " << n << " k " << k << " element " << i;
      }
    }
  }
}

}  // namespace
}  // namespace lineio::testing
