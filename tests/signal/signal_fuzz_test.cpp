// Random calls of every signal export, in and out of contract, on arrays
// with guard elements on both sides (poisoned under AddressSanitizer, so a
// stray read is caught too): nothing is touched outside elements 0..n, and
// a refused call writes nothing at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "signal_test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define LINEIO_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LINEIO_TEST_ASAN 1
#endif
#endif
#if defined(LINEIO_TEST_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace lineio::testing {
namespace {

constexpr std::size_t Guard = 16;

// An array of `size` elements between two runs of guard elements.
template <class T>
class GuardedArray {
 public:
  GuardedArray(std::size_t size, T guard) : storage_(size + 2 * Guard, guard), size_(size), guard_(guard) {
    SetGuardsPoisoned(true);
  }
  ~GuardedArray() { SetGuardsPoisoned(false); }
  GuardedArray(const GuardedArray&) = delete;
  GuardedArray& operator=(const GuardedArray&) = delete;

  T* Data() { return storage_.data() + Guard; }
  T& operator[](std::size_t i) { return Data()[i]; }
  std::vector<T> Contents() { return std::vector<T>(Data(), Data() + size_); }

  bool GuardsIntact() {
    SetGuardsPoisoned(false);
    const auto isGuard = [this](const T& v) { return std::memcmp(&v, &guard_, sizeof(T)) == 0; };
    const bool intact = std::all_of(storage_.begin(), storage_.begin() + Guard, isGuard) &&
                        std::all_of(storage_.end() - Guard, storage_.end(), isGuard);
    SetGuardsPoisoned(true);
    return intact;
  }

 private:
  void SetGuardsPoisoned([[maybe_unused]] bool poisoned) {
#if defined(LINEIO_TEST_ASAN)
    const std::size_t bytes = Guard * sizeof(T);
    if (poisoned) {
      ASAN_POISON_MEMORY_REGION(storage_.data(), bytes);
      ASAN_POISON_MEMORY_REGION(storage_.data() + Guard + size_, bytes);
    } else {
      ASAN_UNPOISON_MEMORY_REGION(storage_.data(), bytes);
      ASAN_UNPOISON_MEMORY_REGION(storage_.data() + Guard + size_, bytes);
    }
#endif
  }

  std::vector<T> storage_;
  std::size_t size_;
  T guard_;
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

class Fuzzer {
 public:
  explicit Fuzzer(std::uint32_t seed) : random_(seed) {}

  // Half of the lengths are transform lengths, the rest anything at all.
  std::uint16_t Length() {
    if (Chance(2)) return static_cast<std::uint16_t>(1u << Uniform(1, 15));
    if (Chance(4)) return static_cast<std::uint16_t>(Uniform(0, 4));
    return static_cast<std::uint16_t>(Uniform(0, 65535));
  }
  bool Chance(unsigned oneIn) { return Uniform(1, oneIn) == 1; }
  unsigned Uniform(unsigned low, unsigned high) {
    return std::uniform_int_distribution<unsigned>(low, high)(random_);
  }
  float Value() { return std::uniform_real_distribution<float>(-4.0f, 4.0f)(random_); }

  template <class T>
  void Fill(GuardedArray<T>& array, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) array[i] = static_cast<T>(Uniform(0, 65535));
  }
  void FillValues(GuardedArray<float>& array, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) array[i] = Value();
  }

 private:
  std::mt19937 random_;
};

void FuzzTablesAndTransform(Fuzzer& fuzz) {
  const std::uint16_t n = fuzz.Length();
  const std::size_t size = std::size_t{n} + 1;
  const bool tablesInContract = IsTransformLength(n, MaxTableLength);
  const bool transformInContract = IsTransformLength(n, MaxTransformLength);

  GuardedArray<float> cosine(size, -9.0f);
  GuardedArray<float> sine(size, -9.0f);
  GuardedArray<std::uint16_t> permutation(size, 0xFF9D);
  fuzz.FillValues(cosine, size);
  fuzz.FillValues(sine, size);
  fuzz.Fill(permutation, size);
  const std::vector<float> cosineBefore = cosine.Contents();
  const std::vector<std::uint16_t> permutationBefore = permutation.Contents();
  FFTK32(n, cosine.Data(), sine.Data(), permutation.Data());
  ASSERT_TRUE(cosine.GuardsIntact() && sine.GuardsIntact() && permutation.GuardsIntact()) << n;
  ASSERT_EQ(cosine[0], cosineBefore[0]) << n;
  ASSERT_EQ(permutation[0], permutationBefore[0]) << n;
  if (!tablesInContract) {
    ASSERT_TRUE(SameBits(cosine.Contents(), cosineBefore)) << n;
    ASSERT_EQ(permutation.Contents(), permutationBefore) << n;
  }
  if (n == MaxTransformLength) {
    BuildFftTables(n, cosine.Data(), sine.Data(), permutation.Data());
  }
  // Now and then a permutation table that no table export made.
  if (transformInContract && fuzz.Chance(8)) fuzz.Fill(permutation, size);

  GuardedArray<float> real(size, -7.0f);
  GuardedArray<float> imaginary(size, -7.0f);
  GuardedArray<float> samples(size, -8.0f);
  fuzz.FillValues(real, size);
  fuzz.FillValues(imaginary, size);
  fuzz.FillValues(samples, size);
  const std::uint16_t windows[] = {0, 1, 2, 3, 4, 0xFFFF};
  const std::uint16_t window = windows[fuzz.Uniform(0, 5)];
  const std::uint16_t direction = static_cast<std::uint16_t>(fuzz.Chance(2) ? 0 : fuzz.Uniform(1, 65535));
  const bool sharedSamples = fuzz.Chance(4);
  const unsigned nullArgument = fuzz.Chance(6) ? fuzz.Uniform(1, 6) : 0;
  const auto pointer = [nullArgument](unsigned position, auto* p) {
    return position == nullArgument ? nullptr : p;
  };

  const std::vector<float> realBefore = real.Contents();
  const std::vector<float> imaginaryBefore = imaginary.Contents();
  const std::vector<float> samplesBefore = samples.Contents();
  const std::vector<float> tablesBefore = cosine.Contents();
  FFT32(n, pointer(1, cosine.Data()), pointer(2, sine.Data()), pointer(3, real.Data()),
        pointer(4, imaginary.Data()), pointer(5, permutation.Data()), window,
        pointer(6, sharedSamples ? real.Data() : samples.Data()), direction);

  ASSERT_TRUE(real.GuardsIntact() && imaginary.GuardsIntact() && samples.GuardsIntact()) << n;
  ASSERT_TRUE(cosine.GuardsIntact() && sine.GuardsIntact() && permutation.GuardsIntact()) << n;
  ASSERT_TRUE(SameBits(samples.Contents(), samplesBefore)) << n;
  ASSERT_TRUE(SameBits(cosine.Contents(), tablesBefore)) << n;
  const bool samplesNeeded = window >= 1 && window <= 3;
  const bool refused = !transformInContract || (nullArgument != 0 && (nullArgument != 6 || samplesNeeded));
  if (refused) {
    ASSERT_TRUE(SameBits(real.Contents(), realBefore)) << n << " null " << nullArgument;
    ASSERT_TRUE(SameBits(imaginary.Contents(), imaginaryBefore)) << n << " null " << nullArgument;
  } else {
    ASSERT_EQ(real[0], static_cast<float>(5000 / n)) << n;
  }
}

void FuzzSpectrum(Fuzzer& fuzz) {
  const std::uint16_t n = fuzz.Length();
  const std::size_t size = std::size_t{n} / 2 + 1;
  GuardedArray<float> real(size, -7.0f);
  GuardedArray<float> imaginary(size, -7.0f);
  fuzz.FillValues(real, size);
  fuzz.FillValues(imaginary, size);
  FFTP32(n, real.Data(), imaginary.Data());
  ASSERT_TRUE(real.GuardsIntact() && imaginary.GuardsIntact()) << n;
  for (std::size_t i = 0; i < size; ++i) ASSERT_GE(real[i], 0.0003f) << n << " " << i;
}

void FuzzArrayConversions(Fuzzer& fuzz) {
  const std::uint16_t count =
      static_cast<std::uint16_t>(fuzz.Chance(2) ? fuzz.Uniform(0, 40) : fuzz.Uniform(0, 65535));
  const std::size_t wordsSize = count;
  const std::size_t bytesSize = 2 * std::size_t{count};
  GuardedArray<std::uint16_t> words(wordsSize, 0xEEEE);
  GuardedArray<std::uint8_t> bytes(bytesSize, 0xEE);
  fuzz.Fill(words, wordsSize);
  fuzz.Fill(bytes, bytesSize);
  CHRVAL1(bytes.Data(), words.Data(), count);
  VALCHR1(words.Data(), bytes.Data(), count);
  CHRVAL2(bytes.Data(), words.Data(), count);
  VALCHR2(words.Data(), bytes.Data(), count);
  ASSERT_TRUE(words.GuardsIntact() && bytes.GuardsIntact()) << count;
}

TEST(SignalFuzzTest, NothingIsTouchedOutsideTheCallersElements) {
  Fuzzer fuzz(0x5EED);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    FuzzTablesAndTransform(fuzz);
    FuzzSpectrum(fuzz);
    FuzzArrayConversions(fuzz);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace lineio::testing
