// The block-by-block reordering gives the plain loop's arrays, and only the
// standard table is taken for it: any other table is followed as given.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "signal/bit_reversal.h"
#include "signal_test_support.h"

namespace lineio::testing {
namespace {

// Element i holds i (real) and -i (imaginary), so every move shows.
Spectrum Numbered(std::size_t n) {
  Spectrum data(n);
  for (std::size_t i = 0; i <= n; ++i) {
    data.Real[i] = static_cast<float>(i);
    data.Imaginary[i] = -static_cast<float>(i);
  }
  return data;
}

// The reordering rule as the host's code states it, for any table.
Spectrum ReorderedByRule(std::size_t n, const std::vector<std::uint16_t>& permutation) {
  Spectrum data = Numbered(n);
  for (std::size_t i = 1; i <= n; ++i) {
    const std::size_t r = permutation[i];
    if (i < r && r <= n) {
      std::swap(data.Real[i], data.Real[r]);
      std::swap(data.Imaginary[i], data.Imaginary[r]);
    }
  }
  return data;
}

void ExpectSameArrays(const Spectrum& got, const Spectrum& want, const char* what, std::size_t n) {
  EXPECT_EQ(got.Real, want.Real) << what << " n " << n;
  EXPECT_EQ(got.Imaginary, want.Imaginary) << what << " n " << n;
}

TEST(SignalReorderTest, BlockedSwapsGiveThePlainOrderAtEveryLength) {
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    const Spectrum want = ReorderedByRule(n, tables.Permutation);
    Spectrum blocked = Numbered(n);
    SwapBitReversedPairs(n, blocked.Real.data(), blocked.Imaginary.data());
    ExpectSameArrays(blocked, want, "blocked", n);
    Spectrum dispatched = Numbered(n);
    ReorderByPermutation(n, dispatched.Real.data(), dispatched.Imaginary.data(), tables.Permutation.data());
    ExpectSameArrays(dispatched, want, "dispatched", n);
  }
}

TEST(SignalReorderTest, RecognisesTheStandardTableFromSixteenOn) {
  for (const std::size_t n : TransformLengths()) {
    const Tables tables(n);
    EXPECT_EQ(IsBitReversalTable(n, tables.Permutation.data()), n >= 16) << "n " << n;
  }
}

// Hand-made tables: the standard one with one entry changed (in the first
// group, at a group start, in the middle, at the end; to 0, beyond n, or to
// another valid index), or with two entries traded. None is standard, and
// the reordering follows each as given.
TEST(SignalReorderTest, AnyOtherTableIsFollowedAsGiven) {
  struct Change {
    std::size_t Entry;
    std::size_t Value;  // Trade: trade with the next entry
  };
  constexpr std::size_t Trade = ~std::size_t{0};
  for (const std::size_t n : {std::size_t{16}, std::size_t{16384}, std::size_t{32768}}) {
    const Tables tables(n);
    const std::vector<Change> changes{{1, 2},     {2, 0},         {9, n},     {17, n + 1},
                                      {n / 2, 5}, {n / 2 + 1, 1}, {n, n - 1}, {n - 1, Trade},
                                      {3, Trade}, {n / 4, Trade}};
    for (const Change& change : changes) {
      if (change.Entry + (change.Value == Trade ? 1 : 0) > n) continue;  // beyond a short table
      std::vector<std::uint16_t> table = tables.Permutation;
      if (change.Value == Trade) {
        std::swap(table[change.Entry], table[change.Entry + 1]);
      } else {
        table[change.Entry] = static_cast<std::uint16_t>(change.Value);
      }
      EXPECT_FALSE(IsBitReversalTable(n, table.data())) << "n " << n << " k " << change.Entry;
      Spectrum got = Numbered(n);
      ReorderByPermutation(n, got.Real.data(), got.Imaginary.data(), table.data());
      ExpectSameArrays(got, ReorderedByRule(n, table), "hand-made", n);
    }
  }
}

}  // namespace
}  // namespace lineio::testing
