// The butterfly network on AVX-512F: eight butterflies at a time with all
// eight doubles of each value in one 512-bit register, taken only on
// processors that report AVX-512F (checked at each call). The file is
// compiled for AVX-512F through a target pragma, so nothing else of the
// library depends on it; fused multiply-add stays off (the build turns
// contraction off, and no fused intrinsic is used).
#include "signal/butterfly_paths.h"
#include "signal/signal.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && \
    (defined(__GNUC__) || defined(__clang__))
#define LINEIO_HAVE_AVX512_PATH 1
#endif

#if defined(LINEIO_HAVE_AVX512_PATH)

#include <immintrin.h>

#include <cstddef>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

#include "signal/avx_transpose.h"
#include "signal/butterfly_kernels.h"
#include "signal/ordered_tail.h"
#include "signal/sse2_lanes.h"

namespace lineio {
namespace {

struct Avx512Lanes {
  static constexpr std::size_t kWidth = 8;
  using Floats = __m256;
  using Doubles = __m512d;

  static Floats Load(const float* p) { return _mm256_loadu_ps(p); }
  static void Store(float* p, Floats v) { _mm256_storeu_ps(p, v); }
  static Floats Broadcast(float x) { return _mm256_set1_ps(x); }
  // Strides 2 and 4 pick every second or fourth float of one or two full
  // loads (within the table: a stage reads twiddles up to index n / 2 + 1);
  // wider strides gather.
  static Floats LoadStrided(const float* p, std::size_t stride) {
    if (stride == 1) return Load(p);
    if (stride == 2) {
      const __m512i pairs = _mm512_castps_si512(_mm512_loadu_ps(p));
      return _mm256_castsi256_ps(_mm512_maskz_cvtepi64_epi32(kAllLanes, pairs));  // low float of each pair
    }
    if (stride == 4) {
      const __m512i every_fourth = _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 0, 0, 0, 0, 0, 0, 0, 0);
      const __m512 picked = _mm512_permutex2var_ps(_mm512_loadu_ps(p), every_fourth, _mm512_loadu_ps(p + 16));
      constexpr __mmask8 kLowFourDoubles = 0x0F;  // the low eight floats
      return _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(kLowFourDoubles, _mm512_castps_pd(picked), 0));
    }
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i offsets = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(stride)));
    return _mm256_i32gather_ps(p, offsets, sizeof(float));
  }
  static Floats Negate(Floats v) { return _mm256_xor_ps(v, _mm256_set1_ps(-0.0f)); }
  static Floats Add(Floats a, Floats b) { return _mm256_add_ps(a, b); }

  // Two four-lane halves from or to separate places, for stages whose half
  // is four.
  static constexpr bool kSplitsHalves = true;
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

  // The conversions (here and in LoadStrided) with all lanes selected and a
  // zero pass-through: the same instructions as the plain forms, whose
  // undefined pass-through operand some compilers warn about.
  static constexpr __mmask8 kAllLanes = 0xFF;
  static Doubles Widen(Floats v) { return _mm512_maskz_cvtps_pd(kAllLanes, v); }
  static Floats Narrow(Doubles d) { return _mm512_maskz_cvtpd_ps(kAllLanes, d); }
  static Doubles Add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
  static Doubles Sub(Doubles a, Doubles b) { return _mm512_sub_pd(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }

  // Rows a, b, c, d become the columns, within each 128-bit half: the low
  // halves hold four groups, the high halves four more.
  static void Transpose4(Floats& a, Floats& b, Floats& c, Floats& d) {
    const __m256 ab_low = _mm256_unpacklo_ps(a, b);
    const __m256 cd_low = _mm256_unpacklo_ps(c, d);
    const __m256 ab_high = _mm256_unpackhi_ps(a, b);
    const __m256 cd_high = _mm256_unpackhi_ps(c, d);
    a = _mm256_shuffle_ps(ab_low, cd_low, _MM_SHUFFLE(1, 0, 1, 0));
    b = _mm256_shuffle_ps(ab_low, cd_low, _MM_SHUFFLE(3, 2, 3, 2));
    c = _mm256_shuffle_ps(ab_high, cd_high, _MM_SHUFFLE(1, 0, 1, 0));
    d = _mm256_shuffle_ps(ab_high, cd_high, _MM_SHUFFLE(3, 2, 3, 2));
  }
  static void TransposeSquare(Floats (&rows)[kWidth]) { TransposeEight(rows); }
};

}  // namespace

void RunButterfliesAvx512(const ButterflyNetwork& network) {
  butterfly_kernels::RunNetwork<Avx512Lanes, Sse2Lanes>(network);
}

bool RunButterfliesInOrderAvx512(const ButterflyNetwork& network) {
  return butterfly_kernels::RunNetworkInOrder<Avx512Lanes>(network);
}

}  // namespace lineio

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace lineio {

bool Avx512PathSupported() { return __builtin_cpu_supports("avx512f"); }

}  // namespace lineio

#else

namespace lineio {

bool Avx512PathSupported() { return false; }

void RunButterfliesAvx512(const ButterflyNetwork& network) { RunButterflies(network, ButterflyPath::kScalar); }

bool RunButterfliesInOrderAvx512(const ButterflyNetwork&) { return false; }

}  // namespace lineio

#endif
