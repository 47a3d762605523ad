/* The transform cases that every build of the library computes, through the
 * host program or the native reference, so that their outputs can be compared
 * byte for byte. */
#ifndef LINEIO_WINE_FFT_CASES_H
#define LINEIO_WINE_FFT_CASES_H

#include <stdio.h>

#include "host_call.h"

/* The transform exports as a host application declares them. */
typedef void(HOST_CALL* FftTablesFn)(unsigned short n, float* cosine, float* sine, short* permutation);
typedef void(HOST_CALL* FftFn)(unsigned short n, const float* cosine, const float* sine, float* real,
                               float* imaginary, const unsigned short* permutation, unsigned short window,
                               const float* samples, unsigned short direction);
typedef void(HOST_CALL* SpectrumFn)(unsigned short n, float* real, const float* imaginary);

struct FftExports {
  FftTablesFn Tables;
  FftFn Transform;
  SpectrumFn Spectrum;
};

/* Runs every case and writes each result array, in a fixed order, to `out`:
 * the tables of every length, the transforms of the documented cases and of
 * a fixed pseudo-random set, and the spectrum of each. Returns 0, or -1 when
 * memory or the output failed. */
int WriteFftCases(const struct FftExports* exports, FILE* out);

#endif
