// The butterfly network on AVX2: eight butterflies at a time, taken only on
// processors that report AVX2 (checked at each call). The file is compiled
// for AVX2 through a target pragma, so nothing else of the library depends on
// it; fused multiply-add stays off (the target names AVX2 alone).
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

LINEIO_TARGET_PUSH("avx2")

#include "signal/avx_float_lanes.h"
#include "signal/butterfly_kernels.h"
#include "signal/ordered_tail.h"
#include "signal/sse2_lanes.h"

namespace lineio {
namespace {

struct Avx2Lanes : AvxFloatLanes {
  struct Doubles {
    __m256d Low;
    __m256d High;
  };
  using AvxFloatLanes::Add;

  // Eight single loads rather than a gather, which is slower on some
  // processors that have AVX2 (a twiddle set is read once per tile).
  static Floats LoadStrided(const float* p, std::size_t stride) {
    if (stride == 1) return Load(p);
    return _mm256_setr_ps(p[0], p[stride], p[2 * stride], p[3 * stride], p[4 * stride], p[5 * stride],
                          p[6 * stride], p[7 * stride]);
  }

  static Doubles Widen(Floats v) {
    return {_mm256_cvtps_pd(_mm256_castps256_ps128(v)), _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1))};
  }
  static Floats Narrow(Doubles d) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(d.Low)), _mm256_cvtpd_ps(d.High), 1);
  }
  static Doubles Add(Doubles a, Doubles b) {
    return {_mm256_add_pd(a.Low, b.Low), _mm256_add_pd(a.High, b.High)};
  }
  static Doubles Sub(Doubles a, Doubles b) {
    return {_mm256_sub_pd(a.Low, b.Low), _mm256_sub_pd(a.High, b.High)};
  }
  static Doubles Mul(Doubles a, Doubles b) {
    return {_mm256_mul_pd(a.Low, b.Low), _mm256_mul_pd(a.High, b.High)};
  }
};

}  // namespace

void RunButterfliesAvx2(const ButterflyNetwork& network) {
  butterfly_kernels::RunNetwork<Avx2Lanes, Sse2Lanes>(network);
}

bool RunButterfliesInOrderAvx2(const ButterflyNetwork& network) {
  return butterfly_kernels::RunNetworkInOrder<Avx2Lanes>(network);
}

}  // namespace lineio

LINEIO_TARGET_POP()

namespace lineio {

bool Avx2Available() { return __builtin_cpu_supports("avx2"); }

}  // namespace lineio

#endif
