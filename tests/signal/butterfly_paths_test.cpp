// The vector paths of the butterfly network give the scalar path's bits,
// with and without the reordering done alongside the last stages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
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

constexpr ButterflyPath kVectorPaths[] = {ButterflyPath::kSse2, ButterflyPath::kAvx2, ButterflyPath::kAvx512};

// The scalar network, then the reordering rule as the host's code states it.
NetworkRun ScalarThenReordered(const ButterflyNetwork& input, const std::vector<std::uint16_t>& permutation) {
  NetworkRun run = RunPath(ButterflyPath::kScalar, input);
  for (std::size_t i = 1; i <= input.n; ++i) {
    const std::size_t r = permutation[i];
    if (i < r && r <= input.n) {
      std::swap(run.real[i], run.real[r]);
      std::swap(run.imaginary[i], run.imaginary[r]);
    }
  }
  return run;
}

// A network over random wide-range data on real or arbitrary twiddles.
struct NetworkCase {
  NetworkCase(std::size_t n, bool real_tables, bool inverse, std::mt19937& random)
      : tables(n), arbitrary_cosine(n + 1), arbitrary_sine(n + 1), real(n + 1), imaginary(n + 1) {
    for (std::size_t i = 0; i <= n; ++i) {
      arbitrary_cosine[i] = WideRangeValue(random);
      arbitrary_sine[i] = WideRangeValue(random);
      real[i] = WideRangeValue(random);
      imaginary[i] = WideRangeValue(random);
    }
    network = {n,
               real_tables ? tables.cosine.data() : arbitrary_cosine.data(),
               real_tables ? tables.sine.data() : arbitrary_sine.data(),
               real.data(),
               imaginary.data(),
               inverse};
  }
  Tables tables;
  std::vector<float> arbitrary_cosine, arbitrary_sine, real, imaginary;
  ButterflyNetwork network{};
};

TEST(signalPaths, FastestPathIsAvailable) { EXPECT_TRUE(ButterflyPathAvailable(FastestButterflyPath())); }

// Real twiddle tables and arbitrary ones (the network reads the tables as
// given), both directions, every length.
TEST(signalPaths, VectorPathsMatchTheScalarPathBitForBit) {
  std::mt19937 random(314159);
  int compared = 0;
  for (const std::size_t n : TransformLengths()) {
    for (const bool real_tables : {true, false}) {
      for (const bool inverse : {false, true}) {
        const NetworkCase input(n, real_tables, inverse, random);
        const NetworkRun scalar = RunPath(ButterflyPath::kScalar, input.network);
        for (const ButterflyPath path : kVectorPaths) {
          if (!ButterflyPathAvailable(path)) continue;
          const NetworkRun vector = RunPath(path, input.network);
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

// The network with the reordering by the standard table: the scalar
// network's bits in the rule's order, from the first length each path takes
// (four lanes need 16 elements, eight lanes 64); below it nothing is touched
// and the path says so.
TEST(signalPaths, InOrderPathsMatchTheScalarNetworkThenTheReordering) {
  std::mt19937 random(27182);
  int compared = 0;
  for (const std::size_t n : TransformLengths()) {
    for (const bool real_tables : {true, false}) {
      for (const bool inverse : {false, true}) {
        NetworkCase input(n, real_tables, inverse, random);
        const NetworkRun want = ScalarThenReordered(input.network, input.tables.permutation);
        for (const ButterflyPath path : kVectorPaths) {
          if (!ButterflyPathAvailable(path)) continue;
          NetworkRun got{input.real, input.imaginary};
          ButterflyNetwork network = input.network;
          network.real = got.real.data();
          network.imaginary = got.imaginary.data();
          const bool done = RunButterfliesInOrder(network, path);
          const std::size_t first_length = path == ButterflyPath::kSse2 ? 16 : 64;
          EXPECT_EQ(done, n >= first_length) << "path " << static_cast<int>(path) << " n " << n;
          const NetworkRun& expected = done ? want : NetworkRun{input.real, input.imaginary};
          EXPECT_TRUE(SameBits(got.real, expected.real)) << "path " << static_cast<int>(path) << " n " << n;
          EXPECT_TRUE(SameBits(got.imaginary, expected.imaginary))
              << "path " << static_cast<int>(path) << " n " << n;
          ++compared;
        }
      }
    }
  }
  if (compared == 0) GTEST_SKIP() << "no vector path on this processor";
  EXPECT_FALSE(RunButterfliesInOrder(NetworkCase(64, true, false, random).network, ButterflyPath::kScalar));
}

// The whole transform on every path, with the standard table and with
// hand-made ones (two entries traded, one entry pointing elsewhere), which
// must be followed as given rather than taken for the standard order.
TEST(signalPaths, TransformFollowsAnyTableOnEveryPath) {
  std::mt19937 random(16180);
  for (const std::size_t n :
       {std::size_t{16}, std::size_t{64}, std::size_t{256}, std::size_t{4096}, std::size_t{32768}}) {
    const NetworkCase input(n, true, false, random);
    std::vector<std::vector<std::uint16_t>> tables{input.tables.permutation};
    tables.push_back(input.tables.permutation);
    std::swap(tables.back()[2], tables.back()[n / 2 + 1]);
    tables.push_back(input.tables.permutation);
    tables.back()[n - 1] = 3;
    for (const std::vector<std::uint16_t>& permutation : tables) {
      const NetworkRun want = ScalarThenReordered(input.network, permutation);
      for (const ButterflyPath path :
           {ButterflyPath::kScalar, ButterflyPath::kSse2, ButterflyPath::kAvx2, ButterflyPath::kAvx512}) {
        NetworkRun got{input.real, input.imaginary};
        const TransformCall call{static_cast<std::uint16_t>(n),
                                 input.tables.cosine.data(),
                                 input.tables.sine.data(),
                                 got.real.data(),
                                 got.imaginary.data(),
                                 permutation.data(),
                                 0,
                                 nullptr,
                                 0};
        FourierTransform(call, path);
        // The transform writes its header into element 0.
        got.real[0] = want.real[0];
        got.imaginary[0] = want.imaginary[0];
        EXPECT_TRUE(SameBits(got.real, want.real)) << "path " << static_cast<int>(path) << " n " << n;
        EXPECT_TRUE(SameBits(got.imaginary, want.imaginary))
            << "path " << static_cast<int>(path) << " n " << n;
      }
    }
  }
}

}  // namespace
}  // namespace lineio::test
