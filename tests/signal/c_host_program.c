/* A C host: the table FFTK32 fills goes to FFT32 as it is. */
#include <stdint.h>

#include "host_programs.h"
#include "lineio.h"

void CHostTransform(const float* samples, uint16_t window, float* real, float* imaginary) {
  float cosine[HostTransformLength + 1];
  float sine[HostTransformLength + 1];
  uint16_t permutation[HostTransformLength + 1];
  FFTK32(HostTransformLength, cosine, sine, permutation);
  FFT32(HostTransformLength, cosine, sine, real, imaginary, permutation, window, samples, 0);
}
