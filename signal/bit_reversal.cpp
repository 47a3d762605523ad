// The bit-reversal reordering by blocks. An index of log2(n) bits is split
// into high bits a, middle bits m and low bits c, the high and low parts
// each kRowBits wide; its reversal is (rev c, rev m, rev a). For one pair of
// middle values (m, rev m) the block of indices (a, m, c) trades places with
// the block (rev c, rev m, rev a): 2^kRowBits short rows against as many.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "signal/bit_reversal.h"

namespace lineio {
namespace {

// Bits of the row index and of the position within a row of a block.
constexpr unsigned kRowBits = 5;

// Every pair whose indices differ in the plain bit-by-bit way: for lengths
// too short to split into blocks.
void SwapPairsPlainly(std::size_t n, unsigned bits, float* real, float* imaginary) {
  for (std::size_t x = 0; x < n; ++x) {
    const std::size_t y = ReverseBits(x, bits);
    if (x < y) {
      std::swap(real[1 + x], real[1 + y]);
      std::swap(imaginary[1 + x], imaginary[1 + y]);
    }
  }
}

constexpr std::size_t kRow = std::size_t{1} << kRowBits;
using Block = float[kRow][kRow];

struct BlockShape {
  explicit BlockShape(unsigned bits)
      : middle_bits(bits - 2 * kRowBits),
        middle_count(std::size_t{1} << middle_bits),
        row_shift(bits - kRowBits) {
    for (std::size_t k = 0; k < kRow; ++k) row_reversal[k] = ReverseBits(k, kRowBits);
  }
  unsigned middle_bits;
  std::size_t middle_count;
  unsigned row_shift;  // position of the high part a
  std::size_t row_reversal[kRow];
};

// Rows a = 0..kRow-1 of the block of middle value m, each kRow elements long.
void ReadBlock(const BlockShape& shape, const float* data, std::size_t m, Block& block) {
  for (std::size_t a = 0; a < kRow; ++a) {
    const float* row = data + 1 + ((a << shape.row_shift) | (m << kRowBits));
    for (std::size_t c = 0; c < kRow; ++c) block[a][c] = row[c];
  }
}

// Writes element (a, c) of the block of middle value m from element
// (rev c, rev a) of the other block.
void WriteReversedBlock(const BlockShape& shape, float* data, std::size_t m, const Block& other) {
  for (std::size_t a = 0; a < kRow; ++a) {
    float* row = data + 1 + ((a << shape.row_shift) | (m << kRowBits));
    const std::size_t column = shape.row_reversal[a];
    for (std::size_t c = 0; c < kRow; ++c) row[c] = other[shape.row_reversal[c]][column];
  }
}

// The blocks of middle values m and rm (possibly the same block) trade
// places through two copies on the stack (2 x 4 KiB), so that the arrays are only read and written
// row by row: whole rows of cache lines, never a column of them.
void TradeBlocks(const BlockShape& shape, float* data, std::size_t m, std::size_t rm) {
  Block first;
  Block second;
  ReadBlock(shape, data, m, first);
  ReadBlock(shape, data, rm, second);
  WriteReversedBlock(shape, data, m, second);
  WriteReversedBlock(shape, data, rm, first);
}

}  // namespace

// The table is checked group by group of G = 16 entries: entry x = G g + c
// must be 1 + reverse(G g) + (rev4(c) shifted to the top bits), and
// reverse(G g) is reverse(g) >> 4, taken from entry g, which lies in a group
// already checked (group 0 takes entry 1 itself, and only 1 passes). The
// differences are gathered over all groups and looked at once, in 16-bit
// arithmetic (every valid entry fits), so that the loop is a few vector
// operations per group.
bool IsBitReversalTable(std::size_t n, const std::uint16_t* permutation) {
  constexpr unsigned kGroupBits = 4;
  constexpr std::size_t kGroup = std::size_t{1} << kGroupBits;
  const unsigned bits = static_cast<unsigned>(std::countr_zero(n));
  if (bits < kGroupBits) return false;
  constexpr auto kGroupReversal = [] {
    std::array<std::uint16_t, kGroup> reversal{};
    for (std::size_t c = 0; c < kGroup; ++c)
      reversal[c] = static_cast<std::uint16_t>(ReverseBits(c, kGroupBits));
    return reversal;
  }();
  std::uint16_t expected_offset[kGroup];  // 1 + the spread reversal of c
  for (std::size_t c = 0; c < kGroup; ++c) {
    expected_offset[c] = static_cast<std::uint16_t>(1 + (kGroupReversal[c] << (bits - kGroupBits)));
  }
  std::uint16_t differences[kGroup] = {};
  for (std::size_t g = 0; g < n / kGroup; ++g) {
    const std::uint16_t* group = permutation + 1 + g * kGroup;
    const auto base =
        static_cast<std::uint16_t>(static_cast<std::uint16_t>(permutation[1 + g] - 1u) >> kGroupBits);
    for (std::size_t c = 0; c < kGroup; ++c) {
      differences[c] |=
          static_cast<std::uint16_t>(group[c] ^ static_cast<std::uint16_t>(base + expected_offset[c]));
    }
  }
  std::uint16_t any = 0;
  for (const std::uint16_t d : differences) any |= d;
  return any == 0;
}

void SwapBitReversedPairs(std::size_t n, float* real, float* imaginary) {
  const unsigned bits = static_cast<unsigned>(std::countr_zero(n));
  if (bits < 2 * kRowBits) {
    SwapPairsPlainly(n, bits, real, imaginary);
    return;
  }
  const BlockShape shape(bits);
  for (std::size_t m = 0; m < shape.middle_count; ++m) {
    const std::size_t rm = ReverseBits(m, shape.middle_bits);
    if (m > rm) continue;  // the pair of blocks is done from the other side
    TradeBlocks(shape, real, m, rm);
    TradeBlocks(shape, imaginary, m, rm);
  }
}

}  // namespace lineio
