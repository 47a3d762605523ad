// The amplitude spectrum: magnitudes through pow, the floor of 0.0003, and
// the elements it converts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "signal_test_support.h"

namespace lineio::testing {
namespace {

constexpr std::uint32_t FloorBits = 0x399D4952;  // 0.0003 in single precision

TEST(SignalSpectrumTest, MagnitudeWithFloor) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const struct {
    float Real, Imaginary;
    std::uint32_t Expected;
  } cases[] = {
      {3, 4, Bits(5.0f)},
      {-3, -4, Bits(5.0f)},
      {-3, 4, Bits(5.0f)},
      {0, 0, FloorBits},
      {-0.0f, 0, FloorBits},
      {0.0002f, 0, FloorBits},
      {0, -0.0002f, FloorBits},
      {nan, 1, FloorBits},
      {1, nan, FloorBits},
      {FromBits(FloorBits), 0, FloorBits},  // the single 0.0003 lies above the double
      {0, -FromBits(FloorBits), FloorBits},
      {0.00029999f, 0, FloorBits},  // below the double 0.0003: floored
      {0.0003001f, 0, Bits(0.0003001f)},
      {1e20f, 0, Bits(1e20f)},  // squares are formed in double
      {-8, 15, Bits(17.0f)},
      {infinity, 1, Bits(infinity)},
  };
  for (const auto& c : cases) {
    std::vector<float> real{c.Real};
    const std::vector<float> imaginary{c.Imaginary};
    FFTP32(1, real.data(), imaginary.data());
    EXPECT_EQ(Bits(real[0]), c.Expected) << c.Real << " " << c.Imaginary;
    EXPECT_EQ(Bits(imaginary[0]), Bits(c.Imaginary));
  }
}

// Elements 0..n div 2 are converted, the rest of both arrays is left alone.
TEST(SignalSpectrumTest, ConvertsElementsZeroToHalfN) {
  const struct {
    std::uint16_t N;
    std::size_t Last;
  } cases[] = {{0, 0}, {1, 0}, {5, 2}, {8, 4}, {9, 4}};
  for (const auto& c : cases) {
    std::vector<float> real(12, -3.0f);
    std::vector<float> imaginary(12, 4.0f);
    FFTP32(c.N, real.data(), imaginary.data());
    for (std::size_t i = 0; i < real.size(); ++i) {
      EXPECT_EQ(real[i], i <= c.Last ? 5.0f : -3.0f) << "n " << c.N << " element " << i;
      EXPECT_EQ(imaginary[i], 4.0f);
    }
  }
}

TEST(SignalSpectrumTest, AfterTheTransformOfAConstant) {
  const Tables tables(8);
  Spectrum data(8);
  const std::vector<float> samples(9, 1.0f);
  Transform(tables, data, WindowRectangular, samples.data(), 0);
  const std::vector<float> before = data.Real;
  FFTP32(8, data.Real.data(), data.Imaginary.data());
  EXPECT_EQ(BitsOf(data.Real, 0, 4),
            (std::vector<std::uint32_t>{Bits(625.0f), Bits(1.0f), FloorBits, FloorBits, FloorBits}));
  EXPECT_EQ(BitsOf(data.Real, 5, 8), BitsOf(before, 5, 8));
}

TEST(SignalSpectrumTest, NullArraysWriteNothing) {
  std::vector<float> real(5, 3.0f);
  std::vector<float> imaginary(5, 4.0f);
  FFTP32(8, real.data(), nullptr);
  FFTP32(8, nullptr, imaginary.data());
  EXPECT_EQ(real, std::vector<float>(5, 3.0f));
  EXPECT_EQ(imaginary, std::vector<float>(5, 4.0f));
}

}  // namespace
}  // namespace lineio::testing
