// The transform export's sequence of steps: header and window, butterfly
// network, reordering.
#include <cstddef>
#include <cstdint>

#include "signal/bit_reversal.h"
#include "signal/signal.h"

namespace lineio {
namespace {

bool WithinContract(const TransformCall& call) {
  if (!IsTransformLength(call.n, kMaxTransformLength)) return false;
  if (call.cosine == nullptr || call.sine == nullptr || call.permutation == nullptr) return false;
  if (call.real == nullptr || call.imaginary == nullptr) return false;
  const bool reads_samples =
      call.window == kWindowRectangular || call.window == kWindowHamming || call.window == kWindowHann;
  return !reads_samples || call.samples != nullptr;
}

}  // namespace

void FourierTransform(const TransformCall& call, ButterflyPath path) {
  if (!WithinContract(call)) return;
  ApplyWindow(call);
  const ButterflyNetwork network{call.n,    call.cosine,    call.sine,
                                 call.real, call.imaginary, call.direction != 0};
  if (IsBitReversalTable(call.n, call.permutation) && RunButterfliesInOrder(network, path)) return;
  RunButterflies(network, path);
  ReorderByPermutation(call.n, call.real, call.imaginary, call.permutation);
}

void FourierTransform(const TransformCall& call) { FourierTransform(call, FastestButterflyPath()); }

}  // namespace lineio
