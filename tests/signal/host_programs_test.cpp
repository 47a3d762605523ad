// Host programs in C++ and in C hand the table that FFTK32 fills straight to
// FFT32 (that they compile at all, with warnings as errors, shows that the
// two exports declare the table alike) and get the library's transform.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "host_programs.h"
#include "signal_test_support.h"

namespace lineio::testing {
namespace {

TEST(SignalHostProgramsTest, TableFromFftk32GoesToFft32AsItIs) {
  const std::size_t n = HostTransformLength;
  const Tables tables(n);
  std::vector<float> samples(n + 1);
  for (std::size_t i = 1; i <= n; ++i) samples[i] = static_cast<float>(i % 5) - 2.0f;
  for (const std::uint16_t window : std::initializer_list<std::uint16_t>{1, 2, 3}) {
    Spectrum want(n);
    Transform(tables, want, window, samples.data(), 0);
    Spectrum cpp(n);
    CppHostTransform(samples.data(), window, cpp.Real.data(), cpp.Imaginary.data());
    Spectrum c(n);
    CHostTransform(samples.data(), window, c.Real.data(), c.Imaginary.data());
    EXPECT_EQ(BitsOf(cpp.Real, 0, n), BitsOf(want.Real, 0, n)) << "window " << window;
    EXPECT_EQ(BitsOf(cpp.Imaginary, 0, n), BitsOf(want.Imaginary, 0, n)) << "window " << window;
    EXPECT_EQ(BitsOf(c.Real, 0, n), BitsOf(want.Real, 0, n)) << "window " << window;
    EXPECT_EQ(BitsOf(c.Imaginary, 0, n), BitsOf(want.Imaginary, 0, n)) << "window " << window;
  }
}

}  // namespace
}  // namespace lineio::testing
