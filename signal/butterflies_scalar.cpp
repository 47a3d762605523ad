// The scalar butterfly network: the reference that every vector path
// reproduces bit for bit, and the butterflies those paths use for the
// lengths too short for their lanes.
#include <cstddef>

#include "signal/butterfly_paths.h"
#include "signal/signal.h"

namespace lineio {

void ScalarButterfly(const ButterflyNetwork& network, std::size_t j, std::size_t p, std::size_t t) {
  float* real = network.Real;
  float* imaginary = network.Imaginary;
  const double wr = network.Cosine[t];
  const double wi = network.Inverse ? -static_cast<double>(network.Sine[t]) : network.Sine[t];
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
  for (std::size_t block = 1; block < network.N; block += 2 * half) {
    std::size_t t = 1;
    for (std::size_t j = block; j < block + half; ++j, t += stride) {
      ScalarButterfly(network, j, j + half, t);
    }
  }
}

void ScalarFinalGroup(const ButterflyNetwork& network, std::size_t j) {
  const std::size_t quarterTurn = 1 + network.N / 4;  // twiddle of j + 1 at half 2
  ScalarButterfly(network, j, j + 2, 1);
  ScalarButterfly(network, j + 1, j + 3, quarterTurn);
  ScalarButterfly(network, j, j + 1, 1);
  ScalarButterfly(network, j + 2, j + 3, 1);
}

// Stages from half = n/2 down to half = 1, the stride doubling each time.
void RunButterfliesScalar(const ButterflyNetwork& network) {
  std::size_t stride = 1;
  for (std::size_t half = network.N / 2; half >= 1; half /= 2, stride *= 2) {
    ScalarStage(network, half, stride);
  }
}

}  // namespace lineio
