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

namespace lineio::testing {
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
  std::vector<float> Real;
  std::vector<float> Imaginary;
};

NetworkRun RunPath(ButterflyPath path, const ButterflyNetwork& input) {
  NetworkRun run{std::vector<float>(input.Real, input.Real + input.N + 1),
                 std::vector<float>(input.Imaginary, input.Imaginary + input.N + 1)};
  ButterflyNetwork network = input;
  network.Real = run.Real.data();
  network.Imaginary = run.Imaginary.data();
  RunButterflies(network, path);
  return run;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

constexpr ButterflyPath VectorPaths[] = {ButterflyPath::Sse2, ButterflyPath::Avx2, ButterflyPath::Avx512};

// The scalar network, then the reordering rule as the host's code states it.
NetworkRun ScalarThenReordered(const ButterflyNetwork& input, const std::vector<std::uint16_t>& permutation) {
  NetworkRun run = RunPath(ButterflyPath::Scalar, input);
  for (std::size_t i = 1; i <= input.N; ++i) {
    const std::size_t r = permutation[i];
    if (i < r && r <= input.N) {
      std::swap(run.Real[i], run.Real[r]);
      std::swap(run.Imaginary[i], run.Imaginary[r]);
    }
  }
  return run;
}

// A network over random wide-range data on real or arbitrary twiddles.
struct NetworkCase {
  NetworkCase(std::size_t n, bool realTables, bool inverse, std::mt19937& random)
      : StandardTables(n), ArbitraryCosine(n + 1), ArbitrarySine(n + 1), Real(n + 1), Imaginary(n + 1) {
    for (std::size_t i = 0; i <= n; ++i) {
      ArbitraryCosine[i] = WideRangeValue(random);
      ArbitrarySine[i] = WideRangeValue(random);
      Real[i] = WideRangeValue(random);
      Imaginary[i] = WideRangeValue(random);
    }
    Network = {n,
               realTables ? StandardTables.Cosine.data() : ArbitraryCosine.data(),
               realTables ? StandardTables.Sine.data() : ArbitrarySine.data(),
               Real.data(),
               Imaginary.data(),
               inverse};
  }
  Tables StandardTables;
  std::vector<float> ArbitraryCosine, ArbitrarySine, Real, Imaginary;
  ButterflyNetwork Network{};
};

// The paths are listed from the slowest to the fastest: the fastest one
// this processor runs is available and none after it is; the scalar path
// always is.
TEST(SignalPathsTest, FastestPathIsTheLastAvailable) {
  const ButterflyPath fastest = FastestButterflyPath();
  EXPECT_TRUE(ButterflyPathAvailable(fastest));
  EXPECT_TRUE(ButterflyPathAvailable(ButterflyPath::Scalar));
  for (const ButterflyPath path : VectorPaths) {
    if (path > fastest) {
      EXPECT_FALSE(ButterflyPathAvailable(path)) << static_cast<int>(path);
    }
  }
}

// A value outside the enumeration names no path: it is not available, runs
// as the scalar path and has no ordered form.
TEST(SignalPathsTest, UnknownPathRunsAsTheScalarPath) {
  std::mt19937 random(4);
  const NetworkCase input(256, true, false, random);
  const NetworkRun scalar = RunPath(ButterflyPath::Scalar, input.Network);
  for (const int value : {4, 5, 255, -1}) {
    const auto unknown = static_cast<ButterflyPath>(value);
    EXPECT_FALSE(ButterflyPathAvailable(unknown)) << value;
    const NetworkRun run = RunPath(unknown, input.Network);
    EXPECT_TRUE(SameBits(run.Real, scalar.Real) && SameBits(run.Imaginary, scalar.Imaginary)) << value;
    NetworkRun untouched{input.Real, input.Imaginary};
    ButterflyNetwork network = input.Network;
    network.Real = untouched.Real.data();
    network.Imaginary = untouched.Imaginary.data();
    EXPECT_FALSE(RunButterfliesInOrder(network, unknown)) << value;
    EXPECT_TRUE(SameBits(untouched.Real, input.Real) && SameBits(untouched.Imaginary, input.Imaginary))
        << value;
  }
}

// Real twiddle tables and arbitrary ones (the network reads the tables as
// given), both directions, every length.
TEST(SignalPathsTest, VectorPathsMatchTheScalarPathBitForBit) {
  std::mt19937 random(314159);
  int compared = 0;
  for (const std::size_t n : TransformLengths()) {
    for (const bool realTables : {true, false}) {
      for (const bool inverse : {false, true}) {
        const NetworkCase input(n, realTables, inverse, random);
        const NetworkRun scalar = RunPath(ButterflyPath::Scalar, input.Network);
        for (const ButterflyPath path : VectorPaths) {
          if (!ButterflyPathAvailable(path)) continue;
          const NetworkRun vector = RunPath(path, input.Network);
          EXPECT_TRUE(SameBits(vector.Real, scalar.Real))
              << "path " << static_cast<int>(path) << " n " << n << " inverse " << inverse;
          EXPECT_TRUE(SameBits(vector.Imaginary, scalar.Imaginary))
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
TEST(SignalPathsTest, InOrderPathsMatchTheScalarNetworkThenTheReordering) {
  std::mt19937 random(27182);
  int compared = 0;
  for (const std::size_t n : TransformLengths()) {
    for (const bool realTables : {true, false}) {
      for (const bool inverse : {false, true}) {
        NetworkCase input(n, realTables, inverse, random);
        const NetworkRun want = ScalarThenReordered(input.Network, input.StandardTables.Permutation);
        for (const ButterflyPath path : VectorPaths) {
          if (!ButterflyPathAvailable(path)) continue;
          NetworkRun got{input.Real, input.Imaginary};
          ButterflyNetwork network = input.Network;
          network.Real = got.Real.data();
          network.Imaginary = got.Imaginary.data();
          const bool done = RunButterfliesInOrder(network, path);
          const std::size_t firstLength = path == ButterflyPath::Sse2 ? 16 : 64;
          EXPECT_EQ(done, n >= firstLength) << "path " << static_cast<int>(path) << " n " << n;
          const NetworkRun& expected = done ? want : NetworkRun{input.Real, input.Imaginary};
          EXPECT_TRUE(SameBits(got.Real, expected.Real)) << "path " << static_cast<int>(path) << " n " << n;
          EXPECT_TRUE(SameBits(got.Imaginary, expected.Imaginary))
              << "path " << static_cast<int>(path) << " n " << n;
          ++compared;
        }
      }
    }
  }
  if (compared == 0) GTEST_SKIP() << "no vector path on this processor";
  EXPECT_FALSE(RunButterfliesInOrder(NetworkCase(64, true, false, random).Network, ButterflyPath::Scalar));
}

// The whole transform on every path, with the standard table and with
// hand-made ones (two entries traded, one entry pointing elsewhere), which
// must be followed as given rather than taken for the standard order.
TEST(SignalPathsTest, TransformFollowsAnyTableOnEveryPath) {
  std::mt19937 random(16180);
  for (const std::size_t n :
       {std::size_t{16}, std::size_t{64}, std::size_t{256}, std::size_t{4096}, std::size_t{32768}}) {
    const NetworkCase input(n, true, false, random);
    std::vector<std::vector<std::uint16_t>> tables{input.StandardTables.Permutation};
    tables.push_back(input.StandardTables.Permutation);
    std::swap(tables.back()[2], tables.back()[n / 2 + 1]);
    tables.push_back(input.StandardTables.Permutation);
    tables.back()[n - 1] = 3;
    for (const std::vector<std::uint16_t>& permutation : tables) {
      const NetworkRun want = ScalarThenReordered(input.Network, permutation);
      for (const ButterflyPath path :
           {ButterflyPath::Scalar, ButterflyPath::Sse2, ButterflyPath::Avx2, ButterflyPath::Avx512}) {
        NetworkRun got{input.Real, input.Imaginary};
        const TransformCall call{static_cast<std::uint16_t>(n),
                                 input.StandardTables.Cosine.data(),
                                 input.StandardTables.Sine.data(),
                                 got.Real.data(),
                                 got.Imaginary.data(),
                                 permutation.data(),
                                 0,
                                 nullptr,
                                 0};
        FourierTransform(call, path);
        // The transform writes its header into element 0.
        got.Real[0] = want.Real[0];
        got.Imaginary[0] = want.Imaginary[0];
        EXPECT_TRUE(SameBits(got.Real, want.Real)) << "path " << static_cast<int>(path) << " n " << n;
        EXPECT_TRUE(SameBits(got.Imaginary, want.Imaginary))
            << "path " << static_cast<int>(path) << " n " << n;
      }
    }
  }
}

}  // namespace
}  // namespace lineio::testing
