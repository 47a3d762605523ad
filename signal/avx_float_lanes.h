// The float side of the lane sets whose float vectors are 256 bits wide
// (the AVX2 and AVX-512F paths): eight float lanes, their loads and stores,
// the float sum, the split halves and the transpositions. Each lane set adds
// its doubles and its strided load. Include it only after the target options
// of the including file are in force (it has internal linkage, so each path
// compiles its own).
#pragma once

#include <immintrin.h>

#include <cstddef>

namespace lineio {
namespace {

struct AvxFloatLanes {
  static constexpr std::size_t Width = 8;
  using Floats = __m256;

  static Floats Load(const float* p) { return _mm256_loadu_ps(p); }
  static void Store(float* p, Floats v) { _mm256_storeu_ps(p, v); }
  static Floats Broadcast(float x) { return _mm256_set1_ps(x); }
  static Floats Negate(Floats v) { return _mm256_xor_ps(v, _mm256_set1_ps(-0.0f)); }
  static Floats Add(Floats a, Floats b) { return _mm256_add_ps(a, b); }

  // Two four-lane halves from or to separate places, for stages whose half
  // is four.
  static constexpr bool SplitsHalves = true;
  static Floats LoadHalves(const float* low, const float* high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low)), _mm_loadu_ps(high), 1);
  }
  static void StoreHalves(float* low, float* high, Floats v) {
    _mm_storeu_ps(low, _mm256_castps256_ps128(v));
    _mm_storeu_ps(high, _mm256_extractf128_ps(v, 1));
  }
  static Floats LoadStridedTwice(const float* p, std::size_t stride) {
    const __m128 four = _mm_setr_ps(p[0], p[stride], p[2 * stride], p[3 * stride]);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(four), four, 1);
  }

  // Rows a, b, c, d become the columns, within each 128-bit half: the low
  // halves hold four groups, the high halves four more.
  static void Transpose4(Floats& a, Floats& b, Floats& c, Floats& d) {
    const __m256 abLow = _mm256_unpacklo_ps(a, b);
    const __m256 cdLow = _mm256_unpacklo_ps(c, d);
    const __m256 abHigh = _mm256_unpackhi_ps(a, b);
    const __m256 cdHigh = _mm256_unpackhi_ps(c, d);
    a = _mm256_shuffle_ps(abLow, cdLow, _MM_SHUFFLE(1, 0, 1, 0));
    b = _mm256_shuffle_ps(abLow, cdLow, _MM_SHUFFLE(3, 2, 3, 2));
    c = _mm256_shuffle_ps(abHigh, cdHigh, _MM_SHUFFLE(1, 0, 1, 0));
    d = _mm256_shuffle_ps(abHigh, cdHigh, _MM_SHUFFLE(3, 2, 3, 2));
  }

  // Rows 0..7 become the columns 0..7: rows are interleaved pairwise, then
  // four at a time (column k of rows 0..3 in the low half, column k + 4 in
  // the high half), then the halves of rows 0..3 and 4..7 are joined.
  // Written out in full so that every vector stays in a register.
  static void TransposeSquare(Floats (&rows)[Width]) {
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
    constexpr int LowHalves = 0x20;
    constexpr int HighHalves = 0x31;
    rows[0] = _mm256_permute2f128_ps(q0, q4, LowHalves);
    rows[1] = _mm256_permute2f128_ps(q1, q5, LowHalves);
    rows[2] = _mm256_permute2f128_ps(q2, q6, LowHalves);
    rows[3] = _mm256_permute2f128_ps(q3, q7, LowHalves);
    rows[4] = _mm256_permute2f128_ps(q0, q4, HighHalves);
    rows[5] = _mm256_permute2f128_ps(q1, q5, HighHalves);
    rows[6] = _mm256_permute2f128_ps(q2, q6, HighHalves);
    rows[7] = _mm256_permute2f128_ps(q3, q7, HighHalves);
  }
};

}  // namespace
}  // namespace lineio
