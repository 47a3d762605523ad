/* The transform as a C host computes it, for the Python tests to compare with
 * what the module computes through ctypes, byte for byte.
 *
 * usage: lineio-python-fft-reference INPUT WINDOW DIRECTION OUTPUT
 *   INPUT      2 (n + 1) floats: the samples (or, with window 0, the real
 *              parts), then the imaginary parts for window 0; element 0 of
 *              each is outside the transform
 *   WINDOW     the window selector given to FFT32
 *   DIRECTION  0 forward, 1 inverse
 *   OUTPUT     receives FFTK32's cosine, sine and permutation tables, FFT32's
 *              real and imaginary arrays and FFTP32's amplitudes, n + 1
 *              elements each, in that order */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "lineio.h"

static long FileSize(FILE* file) {
  if (fseek(file, 0, SEEK_END) != 0) return -1;
  long size = ftell(file);
  rewind(file);
  return size;
}

static int Write(FILE* out, const void* data, size_t size, size_t count) {
  return fwrite(data, size, count, out) == count ? 0 : -1;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s INPUT WINDOW DIRECTION OUTPUT\n", argv[0]);
    return 2;
  }
  FILE* in = fopen(argv[1], "rb");
  if (in == NULL) {
    perror(argv[1]);
    return 1;
  }
  long size = FileSize(in);
  size_t elements = size > 0 ? (size_t)size / (2 * sizeof(float)) : 0;
  if (elements < 3 || elements > 16385) {
    fprintf(stderr, "%s: needs 2 (n + 1) floats with n from 2 to 16384\n", argv[1]);
    return 1;
  }
  unsigned short n = (unsigned short)(elements - 1);
  unsigned short window = (unsigned short)atoi(argv[2]);
  unsigned short direction = (unsigned short)atoi(argv[3]);

  float* samples = calloc(elements, sizeof(float));
  float* second = calloc(elements, sizeof(float));
  float* cosine = calloc(elements, sizeof(float));
  float* sine = calloc(elements, sizeof(float));
  float* real = calloc(elements, sizeof(float));
  float* imaginary = calloc(elements, sizeof(float));
  /* FFTK32 writes the permutation table that FFT32 reads: one buffer for both,
   * of 16-bit integers. */
  void* permutation = calloc(elements, sizeof(uint16_t));
  if (!samples || !second || !cosine || !sine || !real || !imaginary || !permutation) return 1;
  if (fread(samples, sizeof(float), elements, in) != elements ||
      fread(second, sizeof(float), elements, in) != elements) {
    perror(argv[1]);
    return 1;
  }
  fclose(in);

  FFTK32(n, cosine, sine, permutation);
  if (window == 0) {
    for (size_t i = 1; i < elements; ++i) {
      real[i] = samples[i];
      imaginary[i] = second[i];
    }
  }
  FFT32(n, cosine, sine, real, imaginary, permutation, window, samples, direction);

  FILE* out = fopen(argv[4], "wb");
  if (out == NULL) {
    perror(argv[4]);
    return 1;
  }
  int failed = Write(out, cosine, sizeof(float), elements) | Write(out, sine, sizeof(float), elements) |
               Write(out, permutation, sizeof(uint16_t), elements) |
               Write(out, real, sizeof(float), elements) | Write(out, imaginary, sizeof(float), elements);
  FFTP32(n, real, imaginary);
  failed |= Write(out, real, sizeof(float), elements);
  failed |= fclose(out) != 0;
  if (failed) fprintf(stderr, "%s: cannot write the results\n", argv[4]);
  free(samples);
  free(second);
  free(cosine);
  free(sine);
  free(real);
  free(imaginary);
  free(permutation);
  return failed ? 1 : 0;
}
