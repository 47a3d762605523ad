// The vector paths of the butterfly network give the scalar path's bits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "signal_test_support.h"

namespace lineio::test {
namespace {

// Values over a wide range of magnitudes and both signs, with zeros and
// subnormals, so that rounding differences would show.
float WideRangeValue(std::mt19937& random) {
  std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-140, 40);
  std::uniform_int_distribution<int> special(0, 63);
  switch (special(random)) {
    case 0: return 0.0f;
    case 1: return -0.0f;
    default: return std::ldexp(mantissa(random), exponent(random));
  }
}

struct NetworkRun {
  std::vector<float> real;
  std::vector<float> imaginary;
};

NetworkRun RunPath(ButterflyPath path, const ButterflyNetwork& input) {
  NetworkRun run{std::vector<float>(input.real, input.real + input.n + 1),
                 std::vector<float>(input.imaginary, input.imaginary + input.n + 1)};
  ButterflyNetwork network = input;
  network.real = run.real.data();
  network.imaginary = run.imaginary.data();
  RunButterflies(network, path);
  return run;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST(signalPaths, FastestPathIsAvailable) { EXPECT_TRUE(ButterflyPathAvailable(FastestButterflyPath())); }

// Real twiddle tables and arbitrary ones (the network reads the tables as
// given), both directions, every length.
TEST(signalPaths, VectorPathsMatchTheScalarPathBitForBit) {
  std::mt19937 random(314159);
  int compared = 0;
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    std::vector<float> arbitrary_cosine(n + 1);
    std::vector<float> arbitrary_sine(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
      arbitrary_cosine[i] = WideRangeValue(random);
      arbitrary_sine[i] = WideRangeValue(random);
    }
    for (const bool real_tables : {true, false}) {
      for (const bool inverse : {false, true}) {
        std::vector<float> real(n + 1);
        std::vector<float> imaginary(n + 1);
        for (std::size_t i = 0; i <= n; ++i) {
          real[i] = WideRangeValue(random);
          imaginary[i] = WideRangeValue(random);
        }
        const ButterflyNetwork network{n,
                                       real_tables ? tables.cosine.data() : arbitrary_cosine.data(),
                                       real_tables ? tables.sine.data() : arbitrary_sine.data(),
                                       real.data(),
                                       imaginary.data(),
                                       inverse};
        const NetworkRun scalar = RunPath(ButterflyPath::kScalar, network);
        for (const ButterflyPath path : {ButterflyPath::kSse2, ButterflyPath::kAvx2, ButterflyPath::kAvx512}) {
          if (!ButterflyPathAvailable(path)) continue;
          const NetworkRun vector = RunPath(path, network);
          EXPECT_TRUE(SameBits(vector.real, scalar.real))
              << "path " << static_cast<int>(path) << " n " << n << " inverse " << inverse;
          EXPECT_TRUE(SameBits(vector.imaginary, scalar.imaginary))
              << "path " << static_cast<int>(path) << " n " << n << " inverse " << inverse;
          ++compared;
        }
      }
    }
  }
  if (compared == 0) GTEST_SKIP() << "no vector path on this processor";
}

}  // namespace
}  // namespace lineio::test
