// The last stages of the butterfly network together with the reordering by
// the standard permutation table (element 1 + x goes to 1 + the bit reversal
// of x), for a lane set L of W = L::Width float lanes.
//
// An index x of log2(n) bits is split into a row part a (its top w = log2 W
// bits), a middle part m and a column part c (its low w bits). The W x W
// elements (a, m, c) of one middle value m form a block; the last w stages
// pair only elements that differ in c, so a block holds whole groups of them.
// A block is loaded as W rows (row k from row a = rev(k)) and turned so that
// vector c holds column c; the last w stages are then butterflies between
// whole vectors, with one twiddle for all lanes. Element (a, m, c) belongs at
// (rev c, rev m, rev a), and lane k of vector c holds a = rev(k): vector c is
// the row rev(c) of block rev(m), in order. Blocks m and rev(m) trade places,
// both loaded before either is stored.
//
// The butterflies are the network's own, each on its own elements and
// twiddle, in stage order; the blocks' reordering is that of the swaps in
// ascending order, since the swapped pairs are disjoint. Include this header
// after butterfly_kernels.h; L must also give TransposeSquare.
#pragma once

#include <bit>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "signal/bit_reversal.h"
#include "signal/butterfly_kernels.h"
#include "signal/signal.h"

namespace lineio::butterfly_kernels {

// Calls f(std::integral_constant<std::size_t, k>) for k = 0..Count-1, so
// that every index is a constant and the blocks stay in registers.
template <std::size_t Count, class F>
inline void ForEachIndex(F&& f) {
  [&]<std::size_t... Indices>(std::index_sequence<Indices...>) {
    (f(std::integral_constant<std::size_t, Indices>{}), ...);
  }
  (std::make_index_sequence<Count>{});
}

// The shortest transform whose last stages and reordering go by blocks.
template <class L>
constexpr std::size_t OrderedTailFrom() {
  return L::Width * L::Width;
}

template <class L>
struct TailBlock {
  static constexpr std::size_t Width = L::Width;
  static constexpr unsigned WidthBits = static_cast<unsigned>(std::countr_zero(Width));
  typename L::Floats Real[Width];
  typename L::Floats Imaginary[Width];
};

// The twiddles of the last w stages, widened once: entry h + c for the
// butterfly between vectors c and c + h (c < h) of the stage whose half is h.
template <class L>
struct TailTwiddles {
  explicit TailTwiddles(const ButterflyNetwork& net) {
    for (std::size_t half = L::Width / 2; half >= 1; half /= 2) {
      const std::size_t stride = net.N / (2 * half);
      for (std::size_t c = 0; c < half; ++c) {
        const std::size_t t = 1 + c * stride;
        Cosine[half + c] = L::Widen(L::Broadcast(net.Cosine[t]));
        Sine[half + c] = L::Widen(DirectedSine<L>(L::Broadcast(net.Sine[t]), net.Inverse));
      }
    }
  }
  typename L::Doubles Cosine[L::Width];
  typename L::Doubles Sine[L::Width];
};

// Where the blocks lie: row a of a block whose first column is `column`
// begins at element 1 + a * RowStride + column; middle values have
// MiddleBits bits.
struct TailLayout {
  explicit TailLayout(std::size_t n, unsigned widthBits)
      : RowStride(n >> widthBits), MiddleBits(static_cast<unsigned>(std::countr_zero(n)) - 2 * widthBits) {}
  std::size_t RowStride;
  unsigned MiddleBits;
};

template <class L>
inline void LoadColumns(const float* data, const TailLayout& layout, std::size_t column,
                        typename L::Floats (&vectors)[L::Width]) {
  ForEachIndex<L::Width>([&](auto k) {
    constexpr std::size_t Row = ReverseBits(k, TailBlock<L>::WidthBits);
    vectors[k] = L::Load(data + 1 + Row * layout.RowStride + column);
  });
  L::TransposeSquare(vectors);
}

template <class L>
inline void StoreReversedRows(float* data, const TailLayout& layout, std::size_t column,
                              const typename L::Floats (&vectors)[L::Width]) {
  ForEachIndex<L::Width>([&](auto c) {
    constexpr std::size_t Row = ReverseBits(c, TailBlock<L>::WidthBits);
    L::Store(data + 1 + Row * layout.RowStride + column, vectors[c]);
  });
}

// The last w stages on a loaded block, stage by stage.
template <class L>
inline void TailStages(TailBlock<L>& block, const TailTwiddles<L>& w) {
  ForEachIndex<TailBlock<L>::WidthBits>([&](auto stage) {
    constexpr std::size_t Half = L::Width >> (stage + 1);
    ForEachIndex<L::Width>([&](auto c) {
      if constexpr ((c & Half) == 0) {
        constexpr std::size_t Twiddle = Half + (c & (Half - 1));
        Butterfly<L>(block.Real[c], block.Imaginary[c], block.Real[c + Half], block.Imaginary[c + Half],
                     w.Cosine[Twiddle], w.Sine[Twiddle]);
      }
    });
  });
}

// Loads the block of middle value m and runs the last w stages on it.
template <class L>
inline void TransformBlock(const ButterflyNetwork& net, const TailLayout& layout, const TailTwiddles<L>& w,
                           std::size_t m, TailBlock<L>& block) {
  LoadColumns<L>(net.Real, layout, m * L::Width, block.Real);
  LoadColumns<L>(net.Imaginary, layout, m * L::Width, block.Imaginary);
  TailStages<L>(block, w);
}

// Stores a transformed block where block m's reversal lies.
template <class L>
inline void StoreBlockAt(const ButterflyNetwork& net, const TailLayout& layout, std::size_t m,
                         const TailBlock<L>& block) {
  StoreReversedRows<L>(net.Real, layout, m * L::Width, block.Real);
  StoreReversedRows<L>(net.Imaginary, layout, m * L::Width, block.Imaginary);
}

// The last w stages and the reordering; n must be at least
// OrderedTailFrom<L>() and every earlier stage done. Everything it calls is
// inlined (flatten), so that a block's vectors stay in registers.
template <class L>
[[gnu::flatten]] void OrderedTail(const ButterflyNetwork& net) {
  const TailLayout layout(net.N, TailBlock<L>::WidthBits);
  const TailTwiddles<L> w(net);
  const std::size_t middleCount = std::size_t{1} << layout.MiddleBits;
  for (std::size_t m = 0; m < middleCount; ++m) {
    const std::size_t rm = ReverseBits(m, layout.MiddleBits);
    if (rm < m) continue;  // the pair was done from its other side
    TailBlock<L> first;
    TransformBlock<L>(net, layout, w, m, first);
    if (rm == m) {
      StoreBlockAt<L>(net, layout, m, first);
      continue;
    }
    TailBlock<L> second;
    TransformBlock<L>(net, layout, w, rm, second);
    StoreBlockAt<L>(net, layout, rm, first);
    StoreBlockAt<L>(net, layout, m, second);
  }
}

// The whole network followed by the reordering: the stages down to half W
// on L, then the tail. Below OrderedTailFrom<L>() elements it does nothing
// and returns false.
template <class L>
bool RunNetworkInOrder(const ButterflyNetwork& net) {
  if (net.N < OrderedTailFrom<L>()) return false;
  std::size_t stride = 1;
  for (std::size_t half = net.N / 2; half >= L::Width; half /= 2, stride *= 2) {
    VectorStage<L>(net, half, stride);
  }
  OrderedTail<L>(net);
  return true;
}

}  // namespace lineio::butterfly_kernels
