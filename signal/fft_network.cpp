// The scalar butterfly network (the reference for the vector paths), the
// choice of path and the transform export's sequence of steps.
#include <cstddef>
#include <cstdint>

#include "signal/bit_reversal.h"
#include "signal/butterfly_paths.h"
#include "signal/signal.h"

namespace lineio {

void ScalarButterfly(const ButterflyNetwork& network, std::size_t j, std::size_t p, std::size_t t) {
  float* real = network.real;
  float* imaginary = network.imaginary;
  const double wr = network.cosine[t];
  const double wi = network.inverse ? -static_cast<double>(network.sine[t]) : network.sine[t];
  const double ar = real[j];
  const double ai = imaginary[j];
  const double br = real[p];
  const double bi = imaginary[p];
  real[j] = static_cast<float>(ar + br);
  imaginary[j] = static_cast<float>(ai + bi);
  const double dr = ar - br;
  const double di = ai - bi;
  real[p] = static_cast<float>(dr * wr - di * wi);
  imaginary[p] = static_cast<float>(dr * wi + di * wr);
}

void ScalarStage(const ButterflyNetwork& network, std::size_t half, std::size_t stride) {
  for (std::size_t block = 1; block < network.n; block += 2 * half) {
    std::size_t t = 1;
    for (std::size_t j = block; j < block + half; ++j, t += stride) {
      ScalarButterfly(network, j, j + half, t);
    }
  }
}

void ScalarFinalGroup(const ButterflyNetwork& network, std::size_t j) {
  const std::size_t quarter_turn = 1 + network.n / 4;  // twiddle of j + 1 at half 2
  ScalarButterfly(network, j, j + 2, 1);
  ScalarButterfly(network, j + 1, j + 3, quarter_turn);
  ScalarButterfly(network, j, j + 1, 1);
  ScalarButterfly(network, j + 2, j + 3, 1);
}

namespace {

// Stages from half = n/2 down to half = 1, the stride doubling each time.
void RunScalarNetwork(const ButterflyNetwork& network) {
  std::size_t stride = 1;
  for (std::size_t half = network.n / 2; half >= 1; half /= 2, stride *= 2) {
    ScalarStage(network, half, stride);
  }
}

}  // namespace

bool ButterflyPathAvailable(ButterflyPath path) {
  switch (path) {
    case ButterflyPath::kScalar: return true;
    case ButterflyPath::kSse2: return Sse2PathCompiled();
    case ButterflyPath::kAvx2: return Avx2PathSupported();
    case ButterflyPath::kAvx512: return Avx512PathSupported();
  }
  return false;
}

ButterflyPath FastestButterflyPath() {
  if (Avx512PathSupported()) return ButterflyPath::kAvx512;
  if (Avx2PathSupported()) return ButterflyPath::kAvx2;
  if (Sse2PathCompiled()) return ButterflyPath::kSse2;
  return ButterflyPath::kScalar;
}

bool RunButterfliesInOrder(const ButterflyNetwork& network, ButterflyPath path) {
  if (!ButterflyPathAvailable(path)) return false;
  switch (path) {
    case ButterflyPath::kScalar: return false;
    case ButterflyPath::kSse2: return RunButterfliesInOrderSse2(network);
    case ButterflyPath::kAvx2: return RunButterfliesInOrderAvx2(network);
    case ButterflyPath::kAvx512: return RunButterfliesInOrderAvx512(network);
  }
  return false;
}

void RunButterflies(const ButterflyNetwork& network, ButterflyPath path) {
  if (!ButterflyPathAvailable(path)) path = ButterflyPath::kScalar;
  switch (path) {
    case ButterflyPath::kScalar: RunScalarNetwork(network); break;
    case ButterflyPath::kSse2: RunButterfliesSse2(network); break;
    case ButterflyPath::kAvx2: RunButterfliesAvx2(network); break;
    case ButterflyPath::kAvx512: RunButterfliesAvx512(network); break;
  }
}

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
