/* The transform cases shared by the Wine host and the native reference. */
#include "fft_cases.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

enum { MaxLength = 16384, MaxLog2 = 14 };
enum { WindowNone = 0, WindowRectangular = 1, WindowHamming = 2, WindowHann = 3 };
enum { Forward = 0, Inverse = 1 };

/* Element 0 of every array is outside the transform; a known value there
 * shows what a call did to it. */
static const float Sentinel = -12345.5f;

struct Arrays {
  float* cosine;
  float* sine;
  short* permutation;
  float* real;
  float* imaginary;
  float* samples;
};

/* xorshift32: the same sequence on every platform. */
static uint32_t NextRandom(uint32_t* state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  *state = x;
  return x;
}

/* A value in [-1000, 1000] with three decimals, exact on both sides. */
static float RandomSample(uint32_t* state) {
  int32_t milli = (int32_t)(NextRandom(state) % 2000001u) - 1000000;
  return (float)milli / 1000.0f;
}

static int WriteFloats(FILE* out, const float* values, unsigned n) {
  return fwrite(values, sizeof(float), n + 1, out) == n + 1 ? 0 : -1;
}

static int WriteTables(const struct FftExports* f, struct Arrays* a, unsigned n, FILE* out) {
  a->cosine[0] = Sentinel;
  a->sine[0] = Sentinel;
  a->permutation[0] = -1;
  f->tables((unsigned short)n, a->cosine, a->sine, a->permutation);
  if (WriteFloats(out, a->cosine, n) || WriteFloats(out, a->sine, n)) return -1;
  return fwrite(a->permutation, sizeof(short), n + 1, out) == n + 1 ? 0 : -1;
}

/* Transforms what is in the arrays, then writes the result and its spectrum. */
static int WriteTransform(const struct FftExports* f, struct Arrays* a, unsigned n, unsigned window,
                          const float* samples, unsigned direction, FILE* out) {
  f->transform((unsigned short)n, a->cosine, a->sine, a->real, a->imaginary,
               (const unsigned short*)a->permutation, (unsigned short)window, samples,
               (unsigned short)direction);
  if (WriteFloats(out, a->real, n) || WriteFloats(out, a->imaginary, n)) return -1;
  f->spectrum((unsigned short)n, a->real, a->imaginary);
  return WriteFloats(out, a->real, n);
}

static void FillArrays(struct Arrays* a, unsigned n, uint32_t* state) {
  for (unsigned i = 0; i <= n; ++i) {
    a->real[i] = RandomSample(state);
    a->imaginary[i] = RandomSample(state);
    a->samples[i] = RandomSample(state);
  }
}

static int WriteDocumentedCases(const struct FftExports* f, struct Arrays* a, FILE* out) {
  static const float impulse[] = {Sentinel, 0.0f, 1.0f, 0.0f, 0.0f};
  static const float ones[] = {Sentinel, 1, 1, 1, 1, 1, 1, 1, 1};
  static const float pair[] = {Sentinel, 3.0f, 1.0f};
  int failed = 0;

  failed |= WriteTables(f, a, 4, out);
  failed |= WriteTransform(f, a, 4, WindowRectangular, impulse, Forward, out);
  failed |= WriteTables(f, a, 8, out);
  failed |= WriteTransform(f, a, 8, WindowRectangular, ones, Forward, out);
  failed |= WriteTransform(f, a, 8, WindowHamming, ones, Forward, out);
  failed |= WriteTransform(f, a, 8, WindowHann, ones, Forward, out);
  failed |= WriteTables(f, a, 2, out);
  failed |= WriteTransform(f, a, 2, WindowRectangular, pair, Forward, out);
  return failed;
}

/* Every length with every window in both directions, on pseudo-random data;
 * the last case of each length reads its samples from the real array itself. */
static int WriteRandomCases(const struct FftExports* f, struct Arrays* a, FILE* out) {
  static const unsigned windows[] = {WindowNone, WindowRectangular, WindowHamming, WindowHann, 7};
  uint32_t state = 0x2545F491u;
  int failed = 0;
  for (unsigned log2 = 1; log2 <= MaxLog2; ++log2) {
    unsigned n = 1u << log2;
    failed |= WriteTables(f, a, n, out);
    for (unsigned w = 0; w < sizeof windows / sizeof windows[0]; ++w) {
      for (unsigned direction = Forward; direction <= Inverse; ++direction) {
        FillArrays(a, n, &state);
        failed |= WriteTransform(f, a, n, windows[w], a->samples, direction, out);
      }
    }
    FillArrays(a, n, &state);
    failed |= WriteTransform(f, a, n, WindowHann, a->real, Forward, out);
  }
  return failed;
}

int WriteFftCases(const struct FftExports* exports, FILE* out) {
  struct Arrays a;
  size_t floats = (MaxLength + 1) * sizeof(float);
  a.cosine = malloc(floats);
  a.sine = malloc(floats);
  a.permutation = malloc((MaxLength + 1) * sizeof(short));
  a.real = malloc(floats);
  a.imaginary = malloc(floats);
  a.samples = malloc(floats);
  int failed = !a.cosine || !a.sine || !a.permutation || !a.real || !a.imaginary || !a.samples;
  if (!failed) {
    failed |= WriteDocumentedCases(exports, &a, out);
    failed |= WriteRandomCases(exports, &a, out);
  }
  free(a.cosine);
  free(a.sine);
  free(a.permutation);
  free(a.real);
  free(a.imaginary);
  free(a.samples);
  return failed ? -1 : 0;
}
