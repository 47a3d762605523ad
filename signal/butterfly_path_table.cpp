// The table of the butterfly network's paths and the choice among them.
#include <cstddef>
#include <iterator>

#include "signal/butterfly_paths.h"
#include "signal/signal.h"

namespace lineio {
namespace {

bool AlwaysAvailable() { return true; }

constexpr ButterflyPathEntry NotCompiled{nullptr, nullptr, nullptr};

// One entry per ButterflyPath, in its order (slowest first).
constexpr ButterflyPathEntry Paths[] = {
    // Scalar: the reference; its output is always reordered afterwards.
    {AlwaysAvailable, RunButterfliesScalar, nullptr},
#if defined(LINEIO_SSE2_BUTTERFLIES)
    // SSE2: compiled only where the build assumes it, so always available.
    {AlwaysAvailable, RunButterfliesSse2, RunButterfliesInOrderSse2},
#else
    NotCompiled,
#endif
#if defined(LINEIO_AVX_BUTTERFLIES)
    {Avx2Available, RunButterfliesAvx2, RunButterfliesInOrderAvx2},
    {Avx512Available, RunButterfliesAvx512, RunButterfliesInOrderAvx512},
#else
    NotCompiled,
    NotCompiled,
#endif
};
static_assert(std::size(Paths) == static_cast<std::size_t>(ButterflyPath::Avx512) + 1);

// A value outside the enumeration names no compiled path.
const ButterflyPathEntry& EntryOf(ButterflyPath path) {
  const auto index = static_cast<std::size_t>(path);
  return index < std::size(Paths) ? Paths[index] : NotCompiled;
}

}  // namespace

bool ButterflyPathAvailable(ButterflyPath path) {
  const ButterflyPathEntry& entry = EntryOf(path);
  return entry.Available != nullptr && entry.Available();
}

ButterflyPath FastestButterflyPath() {
  for (std::size_t index = std::size(Paths); index-- > 1;) {
    const auto path = static_cast<ButterflyPath>(index);
    if (ButterflyPathAvailable(path)) return path;
  }
  return ButterflyPath::Scalar;
}

void RunButterflies(const ButterflyNetwork& network, ButterflyPath path) {
  if (!ButterflyPathAvailable(path)) path = ButterflyPath::Scalar;
  EntryOf(path).Run(network);
}

bool RunButterfliesInOrder(const ButterflyNetwork& network, ButterflyPath path) {
  if (!ButterflyPathAvailable(path)) return false;
  const ButterflyPathEntry& entry = EntryOf(path);
  return entry.RunInOrder != nullptr && entry.RunInOrder(network);
}

}  // namespace lineio
