// The transposition of eight rows of eight floats in AVX registers, for the
// lane sets whose float vectors are 256 bits wide. Include it only after the
// target options of the including file are in force (it has internal
// linkage, so each path compiles its own).
#ifndef LINEIO_SIGNAL_AVX_TRANSPOSE_H
#define LINEIO_SIGNAL_AVX_TRANSPOSE_H

#include <immintrin.h>

namespace lineio {
namespace {

// Rows 0..7 become the columns 0..7: rows are interleaved pairwise, then
// four at a time (column k of rows 0..3 in the low half, column k + 4 in the
// high half), then the halves of rows 0..3 and 4..7 are joined. Written out
// in full so that every vector stays in a register.
inline void TransposeEight(__m256 (&rows)[8]) {
  const __m256 p0 = _mm256_unpacklo_ps(rows[0], rows[1]);
  const __m256 p1 = _mm256_unpackhi_ps(rows[0], rows[1]);
  const __m256 p2 = _mm256_unpacklo_ps(rows[2], rows[3]);
  const __m256 p3 = _mm256_unpackhi_ps(rows[2], rows[3]);
  const __m256 p4 = _mm256_unpacklo_ps(rows[4], rows[5]);
  const __m256 p5 = _mm256_unpackhi_ps(rows[4], rows[5]);
  const __m256 p6 = _mm256_unpacklo_ps(rows[6], rows[7]);
  const __m256 p7 = _mm256_unpackhi_ps(rows[6], rows[7]);
  const __m256 q0 = _mm256_shuffle_ps(p0, p2, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 q1 = _mm256_shuffle_ps(p0, p2, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 q2 = _mm256_shuffle_ps(p1, p3, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 q3 = _mm256_shuffle_ps(p1, p3, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 q4 = _mm256_shuffle_ps(p4, p6, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 q5 = _mm256_shuffle_ps(p4, p6, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 q6 = _mm256_shuffle_ps(p5, p7, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 q7 = _mm256_shuffle_ps(p5, p7, _MM_SHUFFLE(3, 2, 3, 2));
  constexpr int kLowHalves = 0x20;
  constexpr int kHighHalves = 0x31;
  rows[0] = _mm256_permute2f128_ps(q0, q4, kLowHalves);
  rows[1] = _mm256_permute2f128_ps(q1, q5, kLowHalves);
  rows[2] = _mm256_permute2f128_ps(q2, q6, kLowHalves);
  rows[3] = _mm256_permute2f128_ps(q3, q7, kLowHalves);
  rows[4] = _mm256_permute2f128_ps(q0, q4, kHighHalves);
  rows[5] = _mm256_permute2f128_ps(q1, q5, kHighHalves);
  rows[6] = _mm256_permute2f128_ps(q2, q6, kHighHalves);
  rows[7] = _mm256_permute2f128_ps(q3, q7, kHighHalves);
}

}  // namespace
}  // namespace lineio

#endif  // LINEIO_SIGNAL_AVX_TRANSPOSE_H
