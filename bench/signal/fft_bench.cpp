// Time per transform of FFT32 (window selectors 0 and 1, forward) and of
// FFT32 followed by FFTP32, against KissFFT and FFTW in single precision on
// complex data of the same length (plans made once, outside the timed loop).
// BM_Fft32Ratios runs FFT32 (selector 0) and both yardsticks in turn within
// each iteration, so that a busy spell of the machine falls on all three
// alike, and reports the median ratios of FFT32's time to each (x_kiss,
// x_fftw).
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
#include <chrono>
#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "lineio.h"

namespace {

constexpr std::uint16_t Forward = 0;

std::vector<float> RandomValues(std::size_t count, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> values(count);
  for (float& v : values) v = value(random);
  return values;
}

struct Fft32Setup {
  explicit Fft32Setup(std::uint16_t length)
      : N(length),
        Cosine(N + 1u),
        Sine(N + 1u),
        Permutation(N + 1u),
        Real(N + 1u),
        Imaginary(N + 1u),
        InputReal(RandomValues(N + 1u, 1)),
        InputImaginary(RandomValues(N + 1u, 2)) {
    FFTK32(N, Cosine.data(), Sine.data(), Permutation.data());
  }
  void Transform(std::uint16_t window) {
    FFT32(N, Cosine.data(), Sine.data(), Real.data(), Imaginary.data(), Permutation.data(), window,
          InputReal.data(), Forward);
  }
  std::uint16_t N;
  std::vector<float> Cosine, Sine;
  std::vector<std::uint16_t> Permutation;
  std::vector<float> Real, Imaginary, InputReal, InputImaginary;
};

// Selector 0 on a fresh copy of the input, as every FFT32 (selector 0) run
// here is timed.
void CopyInAndTransform(Fft32Setup& fft) {
  std::copy(fft.InputReal.begin(), fft.InputReal.end(), fft.Real.begin());
  std::copy(fft.InputImaginary.begin(), fft.InputImaginary.end(), fft.Imaginary.begin());
  fft.Transform(0);
  benchmark::DoNotOptimize(fft.Real.data());
  benchmark::ClobberMemory();
}

class KissRun {
 public:
  explicit KissRun(int n) : plan_(kiss_fft_alloc(n, 0, nullptr, nullptr)), in_(n), out_(n) {
    const std::vector<float> re = RandomValues(n, 1);
    const std::vector<float> im = RandomValues(n, 2);
    for (int i = 0; i < n; ++i) in_[i] = {re[i], im[i]};
  }
  ~KissRun() { kiss_fft_free(plan_); }
  KissRun(const KissRun&) = delete;
  KissRun& operator=(const KissRun&) = delete;
  void Transform() {
    kiss_fft(plan_, in_.data(), out_.data());
    benchmark::DoNotOptimize(out_.data());
    benchmark::ClobberMemory();
  }

 private:
  kiss_fft_cfg plan_;
  std::vector<kiss_fft_cpx> in_, out_;
};

class FftwRun {
 public:
  explicit FftwRun(int n) : in_(fftwf_alloc_complex(n)), out_(fftwf_alloc_complex(n)) {
    plan_ = fftwf_plan_dft_1d(n, in_, out_, FFTW_FORWARD, FFTW_MEASURE);
    const std::vector<float> re = RandomValues(n, 1);
    const std::vector<float> im = RandomValues(n, 2);
    for (int i = 0; i < n; ++i) {
      in_[i][0] = re[i];
      in_[i][1] = im[i];
    }
  }
  ~FftwRun() {
    fftwf_destroy_plan(plan_);
    fftwf_free(in_);
    fftwf_free(out_);
  }
  FftwRun(const FftwRun&) = delete;
  FftwRun& operator=(const FftwRun&) = delete;
  void Transform() {
    fftwf_execute(plan_);
    benchmark::DoNotOptimize(out_);
    benchmark::ClobberMemory();
  }

 private:
  fftwf_complex* in_;
  fftwf_complex* out_;
  fftwf_plan plan_;
};

void BM_Fft32CallersData(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) CopyInAndTransform(fft);
}

void BM_Fft32Rectangular(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) {
    fft.Transform(1);
    benchmark::DoNotOptimize(fft.Real.data());
    benchmark::ClobberMemory();
  }
}

void BM_Fft32RectangularSpectrum(benchmark::State& state) {
  Fft32Setup fft(static_cast<std::uint16_t>(state.range(0)));
  for (auto _ : state) {
    fft.Transform(1);
    FFTP32(fft.N, fft.Real.data(), fft.Imaginary.data());
    benchmark::DoNotOptimize(fft.Real.data());
    benchmark::ClobberMemory();
  }
}

void BM_KissFft(benchmark::State& state) {
  KissRun kiss(static_cast<int>(state.range(0)));
  for (auto _ : state) kiss.Transform();
}

void BM_Fftw(benchmark::State& state) {
  FftwRun fftw(static_cast<int>(state.range(0)));
  for (auto _ : state) fftw.Transform();
}

// Seconds per call of f over a batch of calls.
template <class F>
double SecondsPerCall(F f) {
  constexpr int Batch = 32;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < Batch; ++i) f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / Batch;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void BM_Fft32Ratios(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Fft32Setup fft(static_cast<std::uint16_t>(n));
  KissRun kiss(n);
  FftwRun fftw(n);
  std::vector<double> toKiss;
  std::vector<double> toFftw;
  for (auto _ : state) {
    const double fft32 = SecondsPerCall([&] { CopyInAndTransform(fft); });
    toKiss.push_back(fft32 / SecondsPerCall([&] { kiss.Transform(); }));
    toFftw.push_back(fft32 / SecondsPerCall([&] { fftw.Transform(); }));
    state.SetIterationTime(fft32);
  }
  state.counters["x_kiss"] = Median(toKiss);
  state.counters["x_fftw"] = Median(toFftw);
}

void Lengths(benchmark::internal::Benchmark* bench) {
  for (const int n : {256, 1024, 4096, 16384}) bench->Arg(n);
}

BENCHMARK(BM_Fft32CallersData)->Apply(Lengths);
BENCHMARK(BM_Fft32Rectangular)->Apply(Lengths);
BENCHMARK(BM_Fft32RectangularSpectrum)->Apply(Lengths);
BENCHMARK(BM_KissFft)->Apply(Lengths);
BENCHMARK(BM_Fftw)->Apply(Lengths);
// The reported time is FFT32's per call; the ratios are medians over 256
// iterations of 32 calls of each (about 2 s at 16384).
BENCHMARK(BM_Fft32Ratios)->Apply(Lengths)->Iterations(256)->UseManualTime();

}  // namespace
