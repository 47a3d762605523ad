// The transform export on the documented small cases, bit for bit, and the
// rules of the header, the window selector and the sample array.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <vector>

#include "signal_test_support.h"

namespace lineio::testing {
namespace {

using Words = std::vector<std::uint32_t>;

TEST(SignalTransformTest, FourPointImpulseAtTheSecondSample) {
  const Tables tables(4);
  Spectrum data(4);
  const std::vector<float> samples{0, 0, 1, 0, 0};
  Transform(tables, data, WindowRectangular, samples.data(), 0);
  // 1250, 0.25, 3.3169871e-07, -0.25, -3.3169871e-07
  EXPECT_EQ(BitsOf(data.Real, 0, 4), (Words{0x449C4000, 0x3E800000, 0x34B21453, 0xBE800000, 0xB4B21453}));
  // 0, 0, -0.25, 0, 0.25
  EXPECT_EQ(BitsOf(data.Imaginary, 0, 4), (Words{0, 0, 0xBE800000, 0, 0x3E800000}));
}

TEST(SignalTransformTest, InverseDirectionTurnsTheOtherWay) {
  const Tables tables(4);
  Spectrum data(4);
  const std::vector<float> samples{0, 0, 1, 0, 0};
  Transform(tables, data, WindowRectangular, samples.data(), 0x8000);
  EXPECT_EQ(BitsOf(data.Real, 0, 4), (Words{0x449C4000, 0x3E800000, 0x34B21453, 0xBE800000, 0xB4B21453}));
  EXPECT_EQ(BitsOf(data.Imaginary, 0, 4), (Words{0, 0, 0x3E800000, 0, 0xBE800000}));
}

// Eight samples of 1 under each window. The rectangular window leaves only
// frequency 0; the raised-cosine windows spread into frequencies 1 and 7.
TEST(SignalTransformTest, EightPointConstantUnderEachWindow) {
  struct Case {
    std::uint16_t Window;
    Words Real;
    Words Imaginary;
  };
  const Case cases[] = {
      {WindowRectangular, {0x441C4000, 0x3F800000, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
      // real[1] = 0.54000038: the Hamming weights sum to 0.54 up to rounding
      {WindowHamming,
       {0x441C4000, 0x3F0A3D77, 0xBE268998, 0x2A5E9968, 0x34600000, 0x33800000, 0xB2000000, 0xAA5E9968,
        0xBE2689C2},
       {0, 0, 0xBE2689B4, 0xB4200000, 0x34680000, 0, 0x34600000, 0x34200000, 0x3E268998}},
      {WindowHann,
       {0x441C4000, 0x3F000007, 0xBE3504DC, 0x2A74DBF2, 0x34780000, 0x33800000, 0, 0xAA74DBF2, 0xBE35050C},
       {0, 0, 0xBE3504FC, 0xB4300000, 0x34800000, 0, 0x34780000, 0x34300000, 0x3E3504DC}},
  };
  const Tables tables(8);
  for (const Case& c : cases) {
    Spectrum data(8);
    const std::vector<float> samples(9, 1.0f);
    Transform(tables, data, c.Window, samples.data(), 0);
    EXPECT_EQ(BitsOf(data.Real, 0, 8), c.Real) << "window " << c.Window;
    EXPECT_EQ(BitsOf(data.Imaginary, 0, 8), c.Imaginary) << "window " << c.Window;
  }
}

TEST(SignalTransformTest, TwoPointsAreHalfSumAndHalfDifference) {
  const float pairs[][2] = {{1.0f, 3.0f}, {0.1f, 0.7f}, {-2.5f, 2.5f}, {1e-30f, 3e-30f}, {-7.0f, -0.5f}};
  const Tables tables(2);
  for (const auto& pair : pairs) {
    Spectrum data(2);
    const std::vector<float> samples{0, pair[0], pair[1]};
    Transform(tables, data, WindowRectangular, samples.data(), 0);
    EXPECT_EQ(data.Real[0], 2500.0f);
    EXPECT_EQ(Bits(data.Real[1]), Bits((pair[0] + pair[1]) / 2)) << pair[0] << " " << pair[1];
    EXPECT_EQ(Bits(data.Real[2]), Bits((pair[0] - pair[1]) / 2)) << pair[0] << " " << pair[1];
    EXPECT_EQ(Bits(data.Imaginary[1]), 0u);
    EXPECT_EQ(Bits(data.Imaginary[2]), 0u);
  }
}

// The header is 5000 div n for every selector; element 0 of the imaginary
// array becomes 0 even when the caller left something else there.
TEST(SignalTransformTest, HeaderIsFiveThousandDivN) {
  const struct {
    std::uint16_t N;
    float Header;
  } cases[] = {{2, 2500}, {4, 1250}, {8, 625}, {512, 9}, {4096, 1}, {8192, 0}, {16384, 0}, {32768, 0}};
  for (const auto& c : cases) {
    const Tables tables(c.N);
    for (const std::uint16_t window : std::initializer_list<std::uint16_t>{0, 1, 2, 3, 4, 0xFFFF}) {
      Spectrum data(c.N);
      data.Imaginary[0] = 5.0f;
      const std::vector<float> samples(c.N + 1u, 0.25f);
      Transform(tables, data, window, samples.data(), 0);
      EXPECT_EQ(Bits(data.Real[0]), Bits(c.Header)) << "n " << c.N << " window " << window;
      EXPECT_EQ(Bits(data.Imaginary[0]), 0u) << "n " << c.N << " window " << window;
    }
  }
}

// With a selector outside 1 to 3 the caller's complex data is transformed
// as it stands: data holding x / n gives what the rectangular window gives
// from x, and the sample array is not read.
TEST(SignalTransformTest, OtherSelectorsTransformTheCallersData) {
  const std::uint16_t n = 16;
  const Tables tables(n);
  std::vector<float> samples(n + 1);
  for (std::size_t i = 1; i <= n; ++i) samples[i] = static_cast<float>(i * i % 7) - 3.0f;
  Spectrum windowed(n);
  Transform(tables, windowed, WindowRectangular, samples.data(), 0);

  for (const std::uint16_t window : std::initializer_list<std::uint16_t>{0, 4, 100, 0xFFFF}) {
    Spectrum prepared(n);
    prepared.Real[0] = 123.0f;
    prepared.Imaginary[0] = 456.0f;
    for (std::size_t i = 1; i <= n; ++i) prepared.Real[i] = samples[i] / n;
    const std::vector<float> unread(n + 1, std::numeric_limits<float>::quiet_NaN());
    Transform(tables, prepared, window, unread.data(), 0);
    EXPECT_EQ(BitsOf(prepared.Real, 0, n), BitsOf(windowed.Real, 0, n)) << window;
    EXPECT_EQ(BitsOf(prepared.Imaginary, 0, n), BitsOf(windowed.Imaginary, 0, n)) << window;
  }
}

// A selector outside 1 to 3 needs no sample array at all.
TEST(SignalTransformTest, OtherSelectorsAcceptNoSampleArray) {
  const Tables tables(4);
  Spectrum data(4);
  data.Real = {9, 0, 1, 0, 0};
  Transform(tables, data, 0, nullptr, 0);
  EXPECT_EQ(BitsOf(data.Real, 0, 4), (Words{0x449C4000, 0x3F800000, 0x35B21453, 0xBF800000, 0xB5B21453}));
}

// Each sample is read before its element is written, so the sample array
// may be the real array itself.
TEST(SignalTransformTest, SampleArrayMayBeTheRealArray) {
  const std::uint16_t n = 64;
  const Tables tables(n);
  for (const std::uint16_t window : std::initializer_list<std::uint16_t>{1, 2, 3}) {
    std::vector<float> samples(n + 1);
    for (std::size_t i = 1; i <= n; ++i) samples[i] = static_cast<float>((i * 37) % 11) * 0.125f - 0.5f;
    Spectrum separate(n);
    Transform(tables, separate, window, samples.data(), 0);
    Spectrum shared(n);
    shared.Real = samples;
    Transform(tables, shared, window, shared.Real.data(), 0);
    EXPECT_EQ(BitsOf(shared.Real, 0, n), BitsOf(separate.Real, 0, n)) << window;
    EXPECT_EQ(BitsOf(shared.Imaginary, 0, n), BitsOf(separate.Imaginary, 0, n)) << window;
  }
}

// The rectangular window reads sample i before it writes elements i, in
// ascending order, whatever the caller's three arrays share: arrays placed
// in one buffer at the given offsets (apart, samples as the real array,
// samples a little ahead of or behind the real array, samples as the
// imaginary array, real and imaginary overlapping) end as the plain loop
// leaves them.
TEST(SignalTransformTest, RectangularWindowKeepsItsOrderWhateverTheArraysShare) {
  struct Placement {
    std::size_t N, Samples, Real, Imaginary;
  };
  const std::vector<Placement> placements{
      {64, 0, 65, 130}, {64, 0, 0, 65}, {64, 1, 0, 70}, {64, 0, 1, 70}, {64, 0, 65, 0},  {64, 0, 65, 65},
      {64, 0, 65, 68},  {64, 70, 3, 0}, {4, 0, 5, 10},  {4, 0, 0, 5},   {16, 17, 0, 34}, {16, 0, 20, 17},
  };
  for (const Placement& p : placements) {
    std::vector<float> start(3 * (p.N + 1) + 8);
    for (std::size_t i = 0; i < start.size(); ++i) start[i] = static_cast<float>(i % 13) - 6.0f;

    std::vector<float> want = start;
    want[p.Real] = static_cast<float>(5000 / p.N);
    want[p.Imaginary] = 0.0f;
    for (std::size_t i = 1; i <= p.N; ++i) {
      want[p.Real + i] = want[p.Samples + i] * (1.0f / static_cast<float>(p.N));
      want[p.Imaginary + i] = 0.0f;
    }

    std::vector<float> got = start;
    const TransformCall call{static_cast<std::uint16_t>(p.N),
                             nullptr,
                             nullptr,
                             got.data() + p.Real,
                             got.data() + p.Imaginary,
                             nullptr,
                             WindowRectangular,
                             got.data() + p.Samples,
                             0};
    ApplyWindow(call);
    EXPECT_EQ(BitsOf(got, 0, got.size() - 1), BitsOf(want, 0, want.size() - 1))
        << "n " << p.N << " samples " << p.Samples << " real " << p.Real << " imaginary " << p.Imaginary;
  }
}

// Sixteen points through the Hann window, then back through the inverse
// with the caller's data, against a separate model of the algorithm (written
// in another language with explicit single rounding of each stored value).
// Rounding the differences or the twiddle products to single precision, or
// fusing a multiply with its add, changes these bits.
TEST(SignalTransformTest, SixteenPointsMatchAnIndependentModel) {
  const std::uint16_t n = 16;
  const Tables tables(n);
  std::vector<float> samples(n + 1);
  for (std::size_t i = 1; i <= n; ++i) {
    samples[i] = static_cast<float>(static_cast<double>(i * 7919 % 97) / 97.0 - 0.5);
  }
  Spectrum data(n);
  Transform(tables, data, WindowHann, samples.data(), 0);
  EXPECT_EQ(BitsOf(data.Real, 0, n),
            (Words{0x439C0000, 0xBC9178D2, 0x3CD1818C, 0xBC314590, 0xBC1AD080, 0x3C48B7D5, 0xBD809D35,
                   0x3D9A9BEC, 0xBC50C5CB, 0xBC43EF34, 0xBC50C59F, 0x3D9A9BE0, 0xBD809D12, 0x3C48B77B,
                   0xBC1AD002, 0xBC3145B4, 0x3CD1818A}));
  EXPECT_EQ(BitsOf(data.Imaginary, 0, n),
            (Words{0x00000000, 0x00000000, 0xBC338315, 0x3C2120B0, 0xBBB33F18, 0xBD000001, 0x3D50FB70,
                   0xBC432352, 0x3BFBEDF4, 0x00000000, 0xBBFBEEB6, 0x3C43240C, 0xBD50FBAB, 0x3D000001,
                   0x3BB33FF4, 0xBC21216A, 0x3C3383F6}));
  Transform(tables, data, 0, nullptr, 1);
  EXPECT_EQ(BitsOf(data.Real, 0, n),
            (Words{0x439C0000, 0x3BAD9340, 0xBD04F4BC, 0x3E03F750, 0x3CE83F6A, 0xBE574CB3, 0x3E926C8E,
                   0xBCCB1923, 0xBEC5F02A, 0x3E78CB99, 0xBDBD3994, 0xBEA60942, 0x3DAE2F90, 0xBD711F84,
                   0x3D868087, 0x3B5A9398, 0x00000000}));
  EXPECT_EQ(BitsOf(data.Imaginary, 0, n),
            (Words{0x00000000, 0x00000000, 0xB1E14546, 0xB142BEC6, 0x319EBA8D, 0x31756A2A, 0x3101E976,
                   0xB21EBE1C, 0xB16005F0, 0x00000000, 0x320F5D5D, 0xB0857D8C, 0x319EBA8D, 0xB1756A2A,
                   0xAEDFD1D0, 0x32601D7E, 0xB2242E85}));
}

// Lengths the transform does not take, and null arrays, write nothing.
TEST(SignalTransformTest, RefusedCallsWriteNothing) {
  const Tables tables(8);
  const std::size_t size = 65536;
  std::vector<float> cosine(size, 0.5f);
  std::vector<float> sine(size, 0.5f);
  std::vector<std::uint16_t> permutation(size, 1);
  std::vector<float> samples(size, 1.0f);
  const auto run = [&](std::uint16_t n, bool nullReal, bool nullImaginary, bool nullTable, bool nullSamples,
                       std::uint16_t window) {
    std::vector<float> real(size, 7.0f);
    std::vector<float> imaginary(size, 7.0f);
    FFT32(n, nullTable ? nullptr : cosine.data(), sine.data(), nullReal ? nullptr : real.data(),
          nullImaginary ? nullptr : imaginary.data(), permutation.data(), window,
          nullSamples ? nullptr : samples.data(), 0);
    EXPECT_EQ(real, std::vector<float>(size, 7.0f)) << n;
    EXPECT_EQ(imaginary, std::vector<float>(size, 7.0f)) << n;
  };
  for (const std::uint16_t n :
       std::initializer_list<std::uint16_t>{0, 1, 3, 6, 12, 1000, 32769, 49152, 65535})
    run(n, false, false, false, false, 1);
  run(8, true, false, false, false, 1);
  run(8, false, true, false, false, 1);
  run(8, false, false, true, false, 1);
  run(8, false, false, false, true, 1);
  run(8, false, false, false, true, 3);
}

}  // namespace
}  // namespace lineio::testing
