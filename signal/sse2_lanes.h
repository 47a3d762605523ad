// Four float lanes in an SSE register, with their doubles in two SSE2
// registers. The lane set of the SSE2 path, also the narrow lanes of the
// AVX2 path (where the compiler encodes the same operations with VEX).
#pragma once

#include <emmintrin.h>

#include <cstddef>

namespace lineio {
namespace {

struct Sse2Lanes {
  static constexpr std::size_t Width = 4;
  static constexpr bool SplitsHalves = false;
  using Floats = __m128;
  struct Doubles {
    __m128d Low;
    __m128d High;
  };

  static Floats Load(const float* p) { return _mm_loadu_ps(p); }
  static void Store(float* p, Floats v) { _mm_storeu_ps(p, v); }
  static Floats Broadcast(float x) { return _mm_set1_ps(x); }
  static Floats LoadStrided(const float* p, std::size_t stride) {
    if (stride == 1) return Load(p);
    return _mm_setr_ps(p[0], p[stride], p[2 * stride], p[3 * stride]);
  }
  static Floats Negate(Floats v) { return _mm_xor_ps(v, _mm_set1_ps(-0.0f)); }
  static Floats Add(Floats a, Floats b) { return _mm_add_ps(a, b); }

  static Doubles Widen(Floats v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
  static Floats Narrow(Doubles d) { return _mm_movelh_ps(_mm_cvtpd_ps(d.Low), _mm_cvtpd_ps(d.High)); }
  static Doubles Add(Doubles a, Doubles b) { return {_mm_add_pd(a.Low, b.Low), _mm_add_pd(a.High, b.High)}; }
  static Doubles Sub(Doubles a, Doubles b) { return {_mm_sub_pd(a.Low, b.Low), _mm_sub_pd(a.High, b.High)}; }
  static Doubles Mul(Doubles a, Doubles b) { return {_mm_mul_pd(a.Low, b.Low), _mm_mul_pd(a.High, b.High)}; }

  // Rows a, b, c, d become the columns.
  static void Transpose4(Floats& a, Floats& b, Floats& c, Floats& d) { _MM_TRANSPOSE4_PS(a, b, c, d); }
  static void TransposeSquare(Floats (&rows)[Width]) { Transpose4(rows[0], rows[1], rows[2], rows[3]); }
};

}  // namespace
}  // namespace lineio
