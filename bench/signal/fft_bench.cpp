// Time per transform of FFT32 (window selectors 0 and 1, forward) and of
// FFT32 followed by FFTP32, against KissFFT and FFTW in single precision on
// complex data of the same length (plans made once, outside the timed loop).
//
// Selector 0 transforms the caller's data in place, and repeated in-place
// transforms of the same data would grow it without bound; each timed
// iteration therefore first copies the input into the real and imaginary
// arrays, as the out-of-place yardsticks read their input and write their
// output. The copy is counted against FFT32.
#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>

#include <algorithm>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "lineio.h"

namespace {

constexpr std::uint16_t kForward = 0;

std::vector<float> RandomValues(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> values(count);
  for (float& v : values) v = value(random);
  return values;
}

struct Fft32Setup {
  explicit Fft32Setup(std::uint16_t length)
      : n(length), cosine(n + 1u), sine(n + 1u), permutation(n + 1u), real(n + 1u), imaginary(n + 1u),
        input_real(RandomValues(n + 1u, 1)), input_imaginary(RandomValues(n + 1u, 2)) {
    FFTK32(n, cosine.data(), sine.data(), reinterpret_cast<std::int16_t*>(permutation.data()));
  }
  void Transform(std::uint16_t window) {
    FFT32(n, cosine.data(), sine.data(), real.data(), imaginary.data(), permutation.data(), window,
          input_real.data(), kForward);
  }
  std::uint16_t n;
  std::vector<float> cosine, sine;
  std::vector<std::uint16_t> permutation;
  std::vector<float> real, imaginary, input_real, input_imaginary;
};

void BM_Fft32CallersData(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) {
    std::copy(fft.input_real.begin(), fft.input_real.end(), fft.real.begin());
    std::copy(fft.input_imaginary.begin(), fft.input_imaginary.end(), fft.imaginary.begin());
    fft.Transform(0);
    benchmark::DoNotOptimize(fft.real.data());
    benchmark::ClobberMemory();
  }
}

void BM_Fft32Rectangular(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) {
    fft.Transform(1);
    benchmark::DoNotOptimize(fft.real.data());
    benchmark::ClobberMemory();
  }
}

void BM_Fft32RectangularSpectrum(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) {
    fft.Transform(1);
    FFTP32(fft.n, fft.real.data(), fft.imaginary.data());
    benchmark::DoNotOptimize(fft.real.data());
    benchmark::ClobberMemory();
  }
}

void BM_KissFft(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  kiss_fft_cfg plan = kiss_fft_alloc(n, 0, nullptr, nullptr);
  const std::vector<float> re = RandomValues(n, 1);
  const std::vector<float> im = RandomValues(n, 2);
  std::vector<kiss_fft_cpx> in(n);
  std::vector<kiss_fft_cpx> out(n);
  for (int i = 0; i < n; ++i) in[i] = {re[i], im[i]};
  for (auto _ : state) {
    kiss_fft(plan, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  kiss_fft_free(plan);
}

void BM_Fftw(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto* in = fftwf_alloc_complex(n);
  auto* out = fftwf_alloc_complex(n);
  fftwf_plan plan = fftwf_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
  const std::vector<float> re = RandomValues(n, 1);
  const std::vector<float> im = RandomValues(n, 2);
  for (int i = 0; i < n; ++i) {
    in[i][0] = re[i];
    in[i][1] = im[i];
  }
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
  fftwf_free(in);
  fftwf_free(out);
}

void Lengths(benchmark::internal::Benchmark* bench) {
  for (const int n : {256, 1024, 4096, 16384}) bench->Arg(n);
}

BENCHMARK(BM_Fft32CallersData)->Apply(Lengths);
BENCHMARK(BM_Fft32Rectangular)->Apply(Lengths);
BENCHMARK(BM_Fft32RectangularSpectrum)->Apply(Lengths);
BENCHMARK(BM_KissFft)->Apply(Lengths);
BENCHMARK(BM_Fftw)->Apply(Lengths);

}  // namespace
