// The butterfly network on SSE2: four butterflies at a time. Compiled where
// the build assumes SSE2 (every x86-64 processor, and the 32-bit build,
// which compiles with -msse2).
#include "signal/butterfly_paths.h"

#if defined(LINEIO_SSE2_BUTTERFLIES)

#include "signal/butterfly_kernels.h"
#include "signal/ordered_tail.h"
#include "signal/sse2_lanes.h"

namespace lineio {

void RunButterfliesSse2(const ButterflyNetwork& network) {
  butterfly_kernels::RunNetwork<Sse2Lanes, Sse2Lanes>(network);
}

bool RunButterfliesInOrderSse2(const ButterflyNetwork& network) {
  return butterfly_kernels::RunNetworkInOrder<Sse2Lanes>(network);
}

}  // namespace lineio

#endif
