// Two host programs' use of the table and transform exports, one in C++ and
// one in C, compiled with warnings as errors: each passes the permutation
// table that FFTK32 fills to FFT32 as it is, without a cast. Should the two
// exports ever declare the table with different types again, they stop
// compiling.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { HostTransformLength = 64 };

// Prepares the tables of HostTransformLength points, then transforms
// samples[1..n] under the window (forward) into real and imaginary, which
// hold n + 1 elements each.
void CppHostTransform(const float* samples, uint16_t window, float* real, float* imaginary);
void CHostTransform(const float* samples, uint16_t window, float* real, float* imaginary);

#ifdef __cplusplus
}
#endif
