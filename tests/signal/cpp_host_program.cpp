// A C++ host: the table FFTK32 fills goes to FFT32 as it is.
#include <cstdint>
#include <vector>

#include "host_programs.h"
#include "lineio.h"

void CppHostTransform(const float* samples, std::uint16_t window, float* real, float* imaginary) {
  const std::uint16_t n = HostTransformLength;
  std::vector<float> cosine(n + 1u);
  std::vector<float> sine(n + 1u);
  std::vector<std::uint16_t> permutation(n + 1u);
  FFTK32(n, cosine.data(), sine.data(), permutation.data());
  FFT32(n, cosine.data(), sine.data(), real, imaginary, permutation.data(), window, samples, 0);
}
