// The transform export's sequence of steps: header and window, butterfly
// network, reordering.
#include <cstddef>
#include <cstdint>

#include "signal/bit_reversal.h"
#include "signal/signal.h"

namespace lineio {
namespace {

bool WithinContract(const TransformCall& call) {
  if (!IsTransformLength(call.N, MaxTransformLength)) return false;
  if (call.Cosine == nullptr || call.Sine == nullptr || call.Permutation == nullptr) return false;
  if (call.Real == nullptr || call.Imaginary == nullptr) return false;
  const bool readsSamples =
      call.Window == WindowRectangular || call.Window == WindowHamming || call.Window == WindowHann;
  return !readsSamples || call.Samples != nullptr;
}

}  // namespace

void FourierTransform(const TransformCall& call, ButterflyPath path) {
  if (!WithinContract(call)) return;
  ApplyWindow(call);
  const ButterflyNetwork network{call.N,    call.Cosine,    call.Sine,
                                 call.Real, call.Imaginary, call.Direction != 0};
  if (IsBitReversalTable(call.N, call.Permutation) && RunButterfliesInOrder(network, path)) return;
  RunButterflies(network, path);
  ReorderByPermutation(call.N, call.Real, call.Imaginary, call.Permutation);
}

void FourierTransform(const TransformCall& call) { FourierTransform(call, FastestButterflyPath()); }

}  // namespace lineio
