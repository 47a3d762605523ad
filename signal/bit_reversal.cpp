// The bit-reversal reordering by blocks. An index of log2(n) bits is split
// into high bits a, middle bits m and low bits c, the high and low parts
// each RowBits wide; its reversal is (rev c, rev m, rev a). For one pair of
// middle values (m, rev m) the block of indices (a, m, c) trades places with
// the block (rev c, rev m, rev a): 2^RowBits short rows against as many.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "signal/bit_reversal.h"

namespace lineio {
namespace {

// Bits of the row index and of the position within a row of a block.
constexpr unsigned RowBits = 5;

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

constexpr std::size_t Row = std::size_t{1} << RowBits;
using Block = float[Row][Row];

struct BlockShape {
  explicit BlockShape(unsigned bits)
      : MiddleBits(bits - 2 * RowBits), MiddleCount(std::size_t{1} << MiddleBits), RowShift(bits - RowBits) {
    for (std::size_t k = 0; k < Row; ++k) RowReversal[k] = ReverseBits(k, RowBits);
  }
  unsigned MiddleBits;
  std::size_t MiddleCount;
  unsigned RowShift;  // position of the high part a
  std::size_t RowReversal[Row];
};

// Rows a = 0..Row-1 of the block of middle value m, each Row elements long.
void ReadBlock(const BlockShape& shape, const float* data, std::size_t m, Block& block) {
  for (std::size_t a = 0; a < Row; ++a) {
    const float* row = data + 1 + ((a << shape.RowShift) | (m << RowBits));
    for (std::size_t c = 0; c < Row; ++c) block[a][c] = row[c];
  }
}

// Writes element (a, c) of the block of middle value m from element
// (rev c, rev a) of the other block.
void WriteReversedBlock(const BlockShape& shape, float* data, std::size_t m, const Block& other) {
  for (std::size_t a = 0; a < Row; ++a) {
    float* row = data + 1 + ((a << shape.RowShift) | (m << RowBits));
    const std::size_t column = shape.RowReversal[a];
    for (std::size_t c = 0; c < Row; ++c) row[c] = other[shape.RowReversal[c]][column];
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
  constexpr unsigned GroupBits = 4;
  constexpr std::size_t Group = std::size_t{1} << GroupBits;
  const unsigned bits = static_cast<unsigned>(std::countr_zero(n));
  if (bits < GroupBits) return false;
  constexpr auto GroupReversal = [] {
    std::array<std::uint16_t, Group> reversal{};
    for (std::size_t c = 0; c < Group; ++c)
      reversal[c] = static_cast<std::uint16_t>(ReverseBits(c, GroupBits));
    return reversal;
  }();
  std::uint16_t expectedOffset[Group];  // 1 + the spread reversal of c
  for (std::size_t c = 0; c < Group; ++c) {
    expectedOffset[c] = static_cast<std::uint16_t>(1 + (GroupReversal[c] << (bits - GroupBits)));
  }
  std::uint16_t differences[Group] = {};
  for (std::size_t g = 0; g < n / Group; ++g) {
    const std::uint16_t* group = permutation + 1 + g * Group;
    const auto base =
        static_cast<std::uint16_t>(static_cast<std::uint16_t>(permutation[1 + g] - 1u) >> GroupBits);
    for (std::size_t c = 0; c < Group; ++c) {
      differences[c] |=
          static_cast<std::uint16_t>(group[c] ^ static_cast<std::uint16_t>(base + expectedOffset[c]));
    }
  }
  std::uint16_t any = 0;
  for (const std::uint16_t d : differences) any |= d;
  return any == 0;
}

void SwapBitReversedPairs(std::size_t n, float* real, float* imaginary) {
  const unsigned bits = static_cast<unsigned>(std::countr_zero(n));
  if (bits < 2 * RowBits) {
    SwapPairsPlainly(n, bits, real, imaginary);
    return;
  }
  const BlockShape shape(bits);
  for (std::size_t m = 0; m < shape.MiddleCount; ++m) {
    const std::size_t rm = ReverseBits(m, shape.MiddleBits);
    if (m > rm) continue;  // the pair of blocks is done from the other side
    TradeBlocks(shape, real, m, rm);
    TradeBlocks(shape, imaginary, m, rm);
  }
}

}  // namespace lineio
