// The butterfly network on SSE2: four butterflies at a time. Part of every
// x86-64 processor and of the 32-bit build (which compiles with -msse2).
#include "signal/butterfly_paths.h"

#if defined(__SSE2__)

#include "signal/butterfly_kernels.h"
#include "signal/ordered_tail.h"
#include "signal/sse2_lanes.h"

namespace lineio {

bool Sse2PathCompiled() { return true; }

void RunButterfliesSse2(const ButterflyNetwork& network) {
  butterfly_kernels::RunNetwork<Sse2Lanes, Sse2Lanes>(network);
}

bool RunButterfliesInOrderSse2(const ButterflyNetwork& network) {
  return butterfly_kernels::RunNetworkInOrder<Sse2Lanes>(network);
}

}  // namespace lineio

#else

namespace lineio {

bool Sse2PathCompiled() { return false; }

void RunButterfliesSse2(const ButterflyNetwork& network) { RunButterflies(network, ButterflyPath::kScalar); }

bool RunButterfliesInOrderSse2(const ButterflyNetwork&) { return false; }

}  // namespace lineio

#endif
