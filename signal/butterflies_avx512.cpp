// The butterfly network on AVX-512F: eight butterflies at a time with all
// eight doubles of each value in one 512-bit register, taken only on
// processors that report AVX-512F (checked at each call). The file is
// compiled for AVX-512F through a target pragma, so nothing else of the
// library depends on it; fused multiply-add stays off (the build turns
// contraction off, and no fused intrinsic is used).
#include "signal/butterfly_paths.h"

#if defined(LINEIO_AVX_BUTTERFLIES)

#include <immintrin.h>

#include <bit>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "signal/bit_reversal.h"
#include "signal/signal.h"
#include "signal/target_pragmas.h"

LINEIO_TARGET_PUSH("avx512f")

#include "signal/avx_float_lanes.h"
#include "signal/butterfly_kernels.h"
#include "signal/ordered_tail.h"
#include "signal/sse2_lanes.h"

namespace lineio {
namespace {

struct Avx512Lanes : AvxFloatLanes {
  using Doubles = __m512d;
  using AvxFloatLanes::Add;

  // Strides 2 and 4 pick every second or fourth float of one or two full
  // loads (within the table: a stage reads twiddles up to index n / 2 + 1);
  // wider strides gather.
  static Floats LoadStrided(const float* p, std::size_t stride) {
    if (stride == 1) return Load(p);
    if (stride == 2) {
      const __m512i pairs = _mm512_castps_si512(_mm512_loadu_ps(p));
      return _mm256_castsi256_ps(_mm512_maskz_cvtepi64_epi32(AllLanes, pairs));  // low float of each pair
    }
    if (stride == 4) {
      const __m512i everyFourth = _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 0, 0, 0, 0, 0, 0, 0, 0);
      const __m512 picked = _mm512_permutex2var_ps(_mm512_loadu_ps(p), everyFourth, _mm512_loadu_ps(p + 16));
      constexpr __mmask8 LowFourDoubles = 0x0F;  // the low eight floats
      return _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(LowFourDoubles, _mm512_castps_pd(picked), 0));
    }
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i offsets = _mm256_mullo_epi32(lanes, _mm256_set1_epi32(static_cast<int>(stride)));
    return _mm256_i32gather_ps(p, offsets, sizeof(float));
  }

  // The conversions (here and in LoadStrided) with all lanes selected and a
  // zero pass-through: the same instructions as the plain forms, whose
  // undefined pass-through operand some compilers warn about.
  static constexpr __mmask8 AllLanes = 0xFF;
  static Doubles Widen(Floats v) { return _mm512_maskz_cvtps_pd(AllLanes, v); }
  static Floats Narrow(Doubles d) { return _mm512_maskz_cvtpd_ps(AllLanes, d); }
  static Doubles Add(Doubles a, Doubles b) { return _mm512_add_pd(a, b); }
  static Doubles Sub(Doubles a, Doubles b) { return _mm512_sub_pd(a, b); }
  static Doubles Mul(Doubles a, Doubles b) { return _mm512_mul_pd(a, b); }
};

}  // namespace

void RunButterfliesAvx512(const ButterflyNetwork& network) {
  butterfly_kernels::RunNetwork<Avx512Lanes, Sse2Lanes>(network);
}

bool RunButterfliesInOrderAvx512(const ButterflyNetwork& network) {
  return butterfly_kernels::RunNetworkInOrder<Avx512Lanes>(network);
}

}  // namespace lineio

LINEIO_TARGET_POP()

namespace lineio {

bool Avx512Available() { return __builtin_cpu_supports("avx512f"); }

}  // namespace lineio

#endif
