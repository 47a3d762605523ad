// The pieces of the butterfly network shared by its scalar and vector paths.
#ifndef LINEIO_SIGNAL_BUTTERFLY_PATHS_H
#define LINEIO_SIGNAL_BUTTERFLY_PATHS_H

#include <cstddef>

#include "signal/signal.h"

namespace lineio {

// One butterfly on elements j and p = j + half with twiddle t: element j takes
// the sum, element p the difference turned by the twiddle, each of the four
// values computed in double precision and rounded to single once.
void ScalarButterfly(const ButterflyNetwork& network, std::size_t j, std::size_t p, std::size_t t);

// One stage: blocks of 2 * half elements, twiddle index stepping by stride.
void ScalarStage(const ButterflyNetwork& network, std::size_t half, std::size_t stride);

// The last two stages (half 2, then half 1) on the four elements j..j+3.
void ScalarFinalGroup(const ButterflyNetwork& network, std::size_t j);

// The vector paths; each exists only where it was compiled in. The InOrder
// forms also reorder by the standard permutation table, and return false
// without touching anything where the path has no such form for n.
bool Sse2PathCompiled();
void RunButterfliesSse2(const ButterflyNetwork& network);
bool RunButterfliesInOrderSse2(const ButterflyNetwork& network);
bool Avx2PathSupported();
void RunButterfliesAvx2(const ButterflyNetwork& network);
bool RunButterfliesInOrderAvx2(const ButterflyNetwork& network);
bool Avx512PathSupported();
void RunButterfliesAvx512(const ButterflyNetwork& network);
bool RunButterfliesInOrderAvx512(const ButterflyNetwork& network);

}  // namespace lineio

#endif  // LINEIO_SIGNAL_BUTTERFLY_PATHS_H
