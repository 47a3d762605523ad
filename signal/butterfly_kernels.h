// The butterfly network on vector lanes, written once for any lane set.
//
// A lane set L gives a float vector (L::Floats, L::Width lanes) and double
// vectors of the same width (L::Doubles) with loads, stores, widening,
// narrowing and the arithmetic of one butterfly; a lane set with
// SplitsHalves also loads and stores its two halves at separate places.
// The kernels do exactly the scalar butterfly's operations in the same
// order, lane by lane:
//
//   sum        = float(ar + br)              (done in single precision: a sum
//                                             of two floats rounded to double
//                                             and then to single gives the
//                                             same value as rounding it once)
//   difference = float(dr * wr - di * wi)    (double, rounded once; no fusion)
//
// Only the order in which independent butterflies run changes: lanes take
// neighbouring butterflies of a block (or of two neighbouring blocks when a
// block is shorter than the lanes), and the last two stages run group by
// group of four elements (each group depends on nothing outside itself).
//
// Include this header only after the target options of the lane set are in
// force, and instantiate it with lane sets of internal linkage.
#pragma once

#include <cstddef>

#include "signal/butterfly_paths.h"
#include "signal/signal.h"

namespace lineio::butterfly_kernels {

// One butterfly per lane, in registers: (a, b) becomes (a + b, (a - b) * w).
// The twiddle comes widened to double already.
template <class L>
inline void Butterfly(typename L::Floats& ar, typename L::Floats& ai, typename L::Floats& br,
                      typename L::Floats& bi, const typename L::Doubles& wr, const typename L::Doubles& wi) {
  const typename L::Doubles dr = L::Sub(L::Widen(ar), L::Widen(br));
  const typename L::Doubles di = L::Sub(L::Widen(ai), L::Widen(bi));
  ar = L::Add(ar, br);
  ai = L::Add(ai, bi);
  br = L::Narrow(L::Sub(L::Mul(dr, wr), L::Mul(di, wi)));
  bi = L::Narrow(L::Add(L::Mul(dr, wi), L::Mul(di, wr)));
}

// The sine of a twiddle as the direction wants it.
template <class L>
inline typename L::Floats DirectedSine(typename L::Floats sine, bool inverse) {
  return inverse ? L::Negate(sine) : sine;
}

// Twiddles t, t + s, ..., t + (Width - 1) s of a table, widened to double.
template <class L>
inline typename L::Doubles TwiddleLanes(const float* table, std::size_t t, std::size_t stride, bool negate) {
  return L::Widen(DirectedSine<L>(L::LoadStrided(table + t, stride), negate));
}

// Elements of each array that one tile of a stage covers: the tile's slices
// of the real and imaginary arrays stay in the first-level cache while every
// set of twiddles passes over them.
constexpr std::size_t TileElements = 2048;

// A stage whose half is at least L::Width. Lanes take Width neighbouring
// butterflies of a block (twiddles t, t + s, ...). The stage runs tile by
// tile; within a tile each set of twiddles is read once and used in every
// block of the tile.
template <class L>
void VectorStage(const ButterflyNetwork& net, std::size_t half, std::size_t stride) {
  float* const real = net.Real;
  float* const imaginary = net.Imaginary;
  const std::size_t n = net.N;
  const std::size_t block = 2 * half;
  const std::size_t tile = block > TileElements ? block : TileElements;
  for (std::size_t first = 1; first < n; first += tile) {
    const std::size_t end = first + (tile < n ? tile : n);
    for (std::size_t m = 0; m < half; m += L::Width) {
      const std::size_t t = 1 + m * stride;
      const typename L::Doubles wr = TwiddleLanes<L>(net.Cosine, t, stride, false);
      const typename L::Doubles wi = TwiddleLanes<L>(net.Sine, t, stride, net.Inverse);
      for (std::size_t j = first + m; j < end; j += block) {
        const std::size_t p = j + half;
        typename L::Floats ar = L::Load(real + j);
        typename L::Floats ai = L::Load(imaginary + j);
        typename L::Floats br = L::Load(real + p);
        typename L::Floats bi = L::Load(imaginary + p);
        Butterfly<L>(ar, ai, br, bi, wr, wi);
        L::Store(real + j, ar);
        L::Store(imaginary + j, ai);
        L::Store(real + p, br);
        L::Store(imaginary + p, bi);
      }
    }
  }
}

// A stage whose half is L::Width / 2: lanes take the half-block
// butterflies of two neighbouring blocks (twiddles t, t + s, ... twice over),
// the low lanes from one block, the high lanes from the next. The number of
// blocks must be even.
template <class L>
void SplitStage(const ButterflyNetwork& net, std::size_t half, std::size_t stride) {
  float* const real = net.Real;
  float* const imaginary = net.Imaginary;
  const std::size_t block = 2 * half;
  const typename L::Floats sine = DirectedSine<L>(L::LoadStridedTwice(net.Sine + 1, stride), net.Inverse);
  const typename L::Doubles wr = L::Widen(L::LoadStridedTwice(net.Cosine + 1, stride));
  const typename L::Doubles wi = L::Widen(sine);
  for (std::size_t j = 1; j < net.N; j += 2 * block) {
    const std::size_t p = j + half;
    const std::size_t k = j + block;
    const std::size_t q = k + half;
    typename L::Floats ar = L::LoadHalves(real + j, real + k);
    typename L::Floats ai = L::LoadHalves(imaginary + j, imaginary + k);
    typename L::Floats br = L::LoadHalves(real + p, real + q);
    typename L::Floats bi = L::LoadHalves(imaginary + p, imaginary + q);
    Butterfly<L>(ar, ai, br, bi, wr, wi);
    L::StoreHalves(real + j, real + k, ar);
    L::StoreHalves(imaginary + j, imaginary + k, ai);
    L::StoreHalves(real + p, real + q, br);
    L::StoreHalves(imaginary + p, imaginary + q, bi);
  }
}

// Loads Width groups of four elements from j on and turns them so that
// vector k holds element k of every group.
template <class L>
inline void LoadGroups(const float* data, std::size_t j, typename L::Floats (&e)[4]) {
  for (std::size_t k = 0; k < 4; ++k) e[k] = L::Load(data + j + k * L::Width);
  L::Transpose4(e[0], e[1], e[2], e[3]);
}

template <class L>
inline void StoreGroups(float* data, std::size_t j, typename L::Floats (&e)[4]) {
  L::Transpose4(e[0], e[1], e[2], e[3]);
  for (std::size_t k = 0; k < 4; ++k) L::Store(data + j + k * L::Width, e[k]);
}

// The last two stages on Width groups of four elements at a time, from
// element j on; returns the first element not done.
template <class L>
std::size_t FinalStages(const ButterflyNetwork& net, std::size_t j) {
  const std::size_t quarterTurn = 1 + net.N / 4;
  const typename L::Doubles w1r = L::Widen(L::Broadcast(net.Cosine[1]));
  const typename L::Doubles w1i = L::Widen(DirectedSine<L>(L::Broadcast(net.Sine[1]), net.Inverse));
  const typename L::Doubles wqr = L::Widen(L::Broadcast(net.Cosine[quarterTurn]));
  const typename L::Doubles wqi = L::Widen(DirectedSine<L>(L::Broadcast(net.Sine[quarterTurn]), net.Inverse));
  for (; j + 4 * L::Width - 1 <= net.N; j += 4 * L::Width) {
    typename L::Floats re[4];
    typename L::Floats im[4];
    LoadGroups<L>(net.Real, j, re);
    LoadGroups<L>(net.Imaginary, j, im);
    Butterfly<L>(re[0], im[0], re[2], im[2], w1r, w1i);  // half 2
    Butterfly<L>(re[1], im[1], re[3], im[3], wqr, wqi);
    Butterfly<L>(re[0], im[0], re[1], im[1], w1r, w1i);  // half 1
    Butterfly<L>(re[2], im[2], re[3], im[3], w1r, w1i);
    StoreGroups<L>(net.Real, j, re);
    StoreGroups<L>(net.Imaginary, j, im);
  }
  return j;
}

// The whole network: wide lanes where a stage or the data is long enough,
// split wide lanes (where the lane set has them, SplitsHalves) or
// four-lane vectors below that, the scalar butterfly for the shortest
// lengths. Narrow::Width must be 4, the smallest half handled by VectorStage.
template <class Wide, class Narrow>
void RunNetwork(const ButterflyNetwork& net) {
  static_assert(Narrow::Width == 4 && Wide::Width % Narrow::Width == 0);
  if (net.N < 4) {
    ScalarStage(net, 1, 1);
    return;
  }
  std::size_t stride = 1;
  for (std::size_t half = net.N / 2; half >= 4; half /= 2, stride *= 2) {
    if (half >= Wide::Width) {
      VectorStage<Wide>(net, half, stride);
    } else if constexpr (Wide::SplitsHalves) {
      if (2 * half == Wide::Width && net.N >= 4 * half) {
        SplitStage<Wide>(net, half, stride);
      } else {
        VectorStage<Narrow>(net, half, stride);
      }
    } else {
      VectorStage<Narrow>(net, half, stride);
    }
  }
  std::size_t j = FinalStages<Wide>(net, 1);
  j = FinalStages<Narrow>(net, j);
  for (; j <= net.N; j += 4) ScalarFinalGroup(net, j);
}

}  // namespace lineio::butterfly_kernels
