// The ways of running the butterfly network, as a table with one entry per
// ButterflyPath, and the pieces that the paths share.
#pragma once

#include <cstddef>

#include "signal/signal.h"

// The vector paths this target compiles: SSE2 wherever the build assumes it
// (every x86-64 build, and the 32-bit build, which compiles with -msse2);
// AVX2 and AVX-512F on x86 with a compiler that takes target pragmas, to be
// taken only on processors that report them.
#if defined(__SSE2__)
#define LINEIO_SSE2_BUTTERFLIES 1
#endif
#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && \
    (defined(__GNUC__) || defined(__clang__))
#define LINEIO_AVX_BUTTERFLIES 1
#endif

namespace lineio {

// One path: whether this processor runs it, the network, and the network
// followed by the reordering by the standard permutation table (false, with
// nothing done, where the path has no such form for the network's length).
// Members are null where the path is not compiled for this target; RunInOrder
// is also null for a path that never has the ordered form.
struct ButterflyPathEntry {
  bool (*Available)();
  void (*Run)(const ButterflyNetwork& network);
  bool (*RunInOrder)(const ButterflyNetwork& network);
};

// One butterfly on elements j and p = j + half with twiddle t: element j takes
// the sum, element p the difference turned by the twiddle, each of the four
// values computed in double precision and rounded to single once.
void ScalarButterfly(const ButterflyNetwork& network, std::size_t j, std::size_t p, std::size_t t);

// One stage: blocks of 2 * half elements, twiddle index stepping by stride.
void ScalarStage(const ButterflyNetwork& network, std::size_t half, std::size_t stride);

// The last two stages (half 2, then half 1) on the four elements j..j+3.
void ScalarFinalGroup(const ButterflyNetwork& network, std::size_t j);

// The members of the table's entries, each defined in its path's file.
void RunButterfliesScalar(const ButterflyNetwork& network);
#if defined(LINEIO_SSE2_BUTTERFLIES)
void RunButterfliesSse2(const ButterflyNetwork& network);
bool RunButterfliesInOrderSse2(const ButterflyNetwork& network);
#endif
#if defined(LINEIO_AVX_BUTTERFLIES)
bool Avx2Available();
void RunButterfliesAvx2(const ButterflyNetwork& network);
bool RunButterfliesInOrderAvx2(const ButterflyNetwork& network);
bool Avx512Available();
void RunButterfliesAvx512(const ButterflyNetwork& network);
bool RunButterfliesInOrderAvx512(const ButterflyNetwork& network);
#endif

}  // namespace lineio
