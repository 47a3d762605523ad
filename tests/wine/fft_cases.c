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
  float* Cosine;
  float* Sine;
  short* Permutation;
  float* Real;
  float* Imaginary;
  float* Samples;
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
  a->Cosine[0] = Sentinel;
  a->Sine[0] = Sentinel;
  a->Permutation[0] = -1;
  f->Tables((unsigned short)n, a->Cosine, a->Sine, a->Permutation);
  if (WriteFloats(out, a->Cosine, n) || WriteFloats(out, a->Sine, n)) return -1;
  return fwrite(a->Permutation, sizeof(short), n + 1, out) == n + 1 ? 0 : -1;
}

/* Transforms what is in the arrays, then writes the result and its spectrum. */
static int WriteTransform(const struct FftExports* f, struct Arrays* a, unsigned n, unsigned window,
                          const float* samples, unsigned direction, FILE* out) {
  f->Transform((unsigned short)n, a->Cosine, a->Sine, a->Real, a->Imaginary,
               (const unsigned short*)a->Permutation, (unsigned short)window, samples,
               (unsigned short)direction);
  if (WriteFloats(out, a->Real, n) || WriteFloats(out, a->Imaginary, n)) return -1;
  f->Spectrum((unsigned short)n, a->Real, a->Imaginary);
  return WriteFloats(out, a->Real, n);
}

static void FillArrays(struct Arrays* a, unsigned n, uint32_t* state) {
  for (unsigned i = 0; i <= n; ++i) {
    a->Real[i] = RandomSample(state);
    a->Imaginary[i] = RandomSample(state);
    a->Samples[i] = RandomSample(state);
  }
}

static int WriteDocumentedCases(const struct FftExports* f, struct Arrays* a, FILE* out) {
  static const float Impulse[] = {Sentinel, 0.0f, 1.0f, 0.0f, 0.0f};
  static const float Ones[] = {Sentinel, 1, 1, 1, 1, 1, 1, 1, 1};
  static const float Pair[] = {Sentinel, 3.0f, 1.0f};
  int failed = 0;

  failed |= WriteTables(f, a, 4, out);
  failed |= WriteTransform(f, a, 4, WindowRectangular, Impulse, Forward, out);
  failed |= WriteTables(f, a, 8, out);
  failed |= WriteTransform(f, a, 8, WindowRectangular, Ones, Forward, out);
  failed |= WriteTransform(f, a, 8, WindowHamming, Ones, Forward, out);
  failed |= WriteTransform(f, a, 8, WindowHann, Ones, Forward, out);
  failed |= WriteTables(f, a, 2, out);
  failed |= WriteTransform(f, a, 2, WindowRectangular, Pair, Forward, out);
  return failed;
}

/* Every length with every window in both directions, on pseudo-random data;
 * the last case of each length reads its samples from the real array itself. */
static int WriteRandomCases(const struct FftExports* f, struct Arrays* a, FILE* out) {
  static const unsigned Windows[] = {WindowNone, WindowRectangular, WindowHamming, WindowHann, 7};
  uint32_t state = 0x2545F491u;
  int failed = 0;
  for (unsigned log2 = 1; log2 <= MaxLog2; ++log2) {
    unsigned n = 1u << log2;
    failed |= WriteTables(f, a, n, out);
    for (unsigned w = 0; w < sizeof Windows / sizeof Windows[0]; ++w) {
      for (unsigned direction = Forward; direction <= Inverse; ++direction) {
        FillArrays(a, n, &state);
        failed |= WriteTransform(f, a, n, Windows[w], a->Samples, direction, out);
      }
    }
    FillArrays(a, n, &state);
    failed |= WriteTransform(f, a, n, WindowHann, a->Real, Forward, out);
  }
  return failed;
}

int WriteFftCases(const struct FftExports* exports, FILE* out) {
  struct Arrays a;
  size_t floats = (MaxLength + 1) * sizeof(float);
  a.Cosine = malloc(floats);
  a.Sine = malloc(floats);
  a.Permutation = malloc((MaxLength + 1) * sizeof(short));
  a.Real = malloc(floats);
  a.Imaginary = malloc(floats);
  a.Samples = malloc(floats);
  int failed = !a.Cosine || !a.Sine || !a.Permutation || !a.Real || !a.Imaginary || !a.Samples;
  if (!failed) {
    failed |= WriteDocumentedCases(exports, &a, out);
    failed |= WriteRandomCases(exports, &a, out);
  }
  free(a.Cosine);
  free(a.Sine);
  free(a.Permutation);
  free(a.Real);
  free(a.Imaginary);
  free(a.Samples);
  return failed ? -1 : 0;
}
