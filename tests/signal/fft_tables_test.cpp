// The tables of a transform length: permutation order, twiddles with the
// circle constant 3.14159, and lengths the table export refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "signal_test_support.h"

namespace lineio::testing {
namespace {

TEST(SignalTablesTest, PermutationOfEightReadsTheDocumentedOrder) {
  const Tables tables(8);
  const std::vector<std::uint16_t> expected{1, 5, 3, 7, 2, 6, 4, 8};
  EXPECT_EQ(std::vector<std::uint16_t>(tables.Permutation.begin() + 1, tables.Permutation.end()), expected);
}

// The near-zero entries are not zero because the circle constant is 3.14159.
TEST(SignalTablesTest, FourPointTablesCarryTheCircleConstant) {
  const Tables tables(4);
  // 1, 1.3267949e-06, -1, -3.9803849e-06
  EXPECT_EQ(BitsOf(tables.Cosine, 1, 4),
            (std::vector<std::uint32_t>{0x3F800000, 0x35B21453, 0xBF800000, 0xB6858F3F}));
  // -0, -1, -2.6535897e-06, 1
  EXPECT_EQ(BitsOf(tables.Sine, 1, 4),
            (std::vector<std::uint32_t>{0x80000000, 0xBF800000, 0xB6321453, 0x3F800000}));
}

std::uint16_t OnePlusBitReversal(std::size_t k, unsigned bits) {
  std::size_t reversed = 0;
  for (unsigned b = 0; b < bits; ++b) reversed |= ((k - 1) >> b & 1u) << (bits - 1 - b);
  return static_cast<std::uint16_t>(reversed + 1);
}

TEST(SignalTablesTest, PermutationIsOnePlusTheBitReversalAtEveryLength) {
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    for (std::size_t k = 1; k <= n; ++k) {
      ASSERT_EQ(tables.Permutation[k], OnePlusBitReversal(k, Log2(n))) << "n " << n << " k " << k;
    }
  }
}

// Twiddle k turns by (k - 1) / n of the circle 2 * 3.14159: a quarter turn
// lands 1.3e-6 short of the imaginary axis at every length.
TEST(SignalTablesTest, TwiddlesAreUnitStepsAroundTheCircle) {
  for (const std::size_t n : TransformLengths()) {
    if (n < 4) continue;
    const Tables tables(n);
    const std::size_t quarter = n / 4 + 1;
    EXPECT_EQ(Bits(tables.Cosine[quarter]), 0x35B21453u) << n;
    EXPECT_EQ(Bits(tables.Sine[quarter]), 0xBF800000u) << n;
    for (std::size_t k = 1; k <= n; ++k) {
      const double radius = static_cast<double>(tables.Cosine[k]) * tables.Cosine[k] +
                            static_cast<double>(tables.Sine[k]) * tables.Sine[k];
      ASSERT_NEAR(radius, 1.0, 2.5e-7) << "n " << n << " k " << k;
    }
    // The sine is stored negated: the first half of the circle lies below the axis.
    EXPECT_LT(tables.Sine[2], 0.0f) << n;
  }
}

TEST(SignalTablesTest, ElementZeroIsLeftAlone) {
  std::vector<float> cosine(9, 7.0f);
  std::vector<float> sine(9, 7.0f);
  std::vector<std::uint16_t> permutation(9, 77);
  FFTK32(8, cosine.data(), sine.data(), permutation.data());
  EXPECT_EQ(cosine[0], 7.0f);
  EXPECT_EQ(sine[0], 7.0f);
  EXPECT_EQ(permutation[0], 77);
}

// Lengths outside the table export's range and null tables write nothing.
TEST(SignalTablesTest, RefusedCallsWriteNothing) {
  struct Case {
    std::uint16_t N;
    bool NullCosine, NullSine, NullPermutation;
  };
  const Case cases[] = {
      {0, false, false, false},     {1, false, false, false},     {3, false, false, false},
      {6, false, false, false},     {24, false, false, false},    {16385, false, false, false},
      {32768, false, false, false}, {65535, false, false, false}, {8, true, false, false},
      {8, false, true, false},      {8, false, false, true},
  };
  for (const Case& c : cases) {
    const std::size_t size = 65536;
    std::vector<float> cosine(size, 7.0f);
    std::vector<float> sine(size, 7.0f);
    std::vector<std::uint16_t> permutation(size, 77);
    FFTK32(c.N, c.NullCosine ? nullptr : cosine.data(), c.NullSine ? nullptr : sine.data(),
           c.NullPermutation ? nullptr : permutation.data());
    EXPECT_EQ(cosine, std::vector<float>(size, 7.0f)) << c.N;
    EXPECT_EQ(sine, std::vector<float>(size, 7.0f)) << c.N;
    EXPECT_EQ(permutation, std::vector<std::uint16_t>(size, 77)) << c.N;
  }
}

}  // namespace
}  // namespace lineio::testing
