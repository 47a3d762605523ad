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

namespace lineio::test {
namespace {

constexpr std::size_t kGuard = 16;

// An array of `size` elements between two runs of guard elements.
template <class T>
class GuardedArray {
 public:
  GuardedArray(std::size_t size, T guard) : storage_(size + 2 * kGuard, guard), size_(size), guard_(guard) {
    SetGuardsPoisoned(true);
  }
  ~GuardedArray() { SetGuardsPoisoned(false); }
  GuardedArray(const GuardedArray&) = delete;
  GuardedArray& operator=(const GuardedArray&) = delete;

  T* data() { return storage_.data() + kGuard; }
  T& operator[](std::size_t i) { return data()[i]; }
  std::vector<T> Contents() { return std::vector<T>(data(), data() + size_); }

  bool GuardsIntact() {
    SetGuardsPoisoned(false);
    const auto is_guard = [this](const T& v) { return std::memcmp(&v, &guard_, sizeof(T)) == 0; };
    const bool intact = std::all_of(storage_.begin(), storage_.begin() + kGuard, is_guard) &&
                        std::all_of(storage_.end() - kGuard, storage_.end(), is_guard);
    SetGuardsPoisoned(true);
    return intact;
  }

 private:
  void SetGuardsPoisoned([[maybe_unused]] bool poisoned) {
#if defined(LINEIO_TEST_ASAN)
    const std::size_t bytes = kGuard * sizeof(T);
    if (poisoned) {
      ASAN_POISON_MEMORY_REGION(storage_.data(), bytes);
      ASAN_POISON_MEMORY_REGION(storage_.data() + kGuard + size_, bytes);
    } else {
      ASAN_UNPOISON_MEMORY_REGION(storage_.data(), bytes);
      ASAN_UNPOISON_MEMORY_REGION(storage_.data() + kGuard + size_, bytes);
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
  bool Chance(unsigned one_in) { return Uniform(1, one_in) == 1; }
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
  const bool tables_in_contract = IsTransformLength(n, kMaxTableLength);
  const bool transform_in_contract = IsTransformLength(n, kMaxTransformLength);

  GuardedArray<float> cosine(size, -9.0f);
  GuardedArray<float> sine(size, -9.0f);
  GuardedArray<std::int16_t> permutation(size, -99);
  fuzz.FillValues(cosine, size);
  fuzz.FillValues(sine, size);
  fuzz.Fill(permutation, size);
  const std::vector<float> cosine_before = cosine.Contents();
  const std::vector<std::int16_t> permutation_before = permutation.Contents();
  FFTK32(n, cosine.data(), sine.data(), permutation.data());
  ASSERT_TRUE(cosine.GuardsIntact() && sine.GuardsIntact() && permutation.GuardsIntact()) << n;
  ASSERT_EQ(cosine[0], cosine_before[0]) << n;
  ASSERT_EQ(permutation[0], permutation_before[0]) << n;
  if (!tables_in_contract) {
    ASSERT_TRUE(SameBits(cosine.Contents(), cosine_before)) << n;
    ASSERT_EQ(permutation.Contents(), permutation_before) << n;
  }
  if (n == kMaxTransformLength) {
    BuildFftTables(n, cosine.data(), sine.data(), reinterpret_cast<std::uint16_t*>(permutation.data()));
  }
  // Now and then a permutation table that no table export made.
  if (transform_in_contract && fuzz.Chance(8)) fuzz.Fill(permutation, size);

  GuardedArray<float> real(size, -7.0f);
  GuardedArray<float> imaginary(size, -7.0f);
  GuardedArray<float> samples(size, -8.0f);
  fuzz.FillValues(real, size);
  fuzz.FillValues(imaginary, size);
  fuzz.FillValues(samples, size);
  const std::uint16_t windows[] = {0, 1, 2, 3, 4, 0xFFFF};
  const std::uint16_t window = windows[fuzz.Uniform(0, 5)];
  const std::uint16_t direction = static_cast<std::uint16_t>(fuzz.Chance(2) ? 0 : fuzz.Uniform(1, 65535));
  const bool shared_samples = fuzz.Chance(4);
  const unsigned null_argument = fuzz.Chance(6) ? fuzz.Uniform(1, 6) : 0;
  const auto pointer = [null_argument](unsigned position, auto* p) {
    return position == null_argument ? nullptr : p;
  };

  const std::vector<float> real_before = real.Contents();
  const std::vector<float> imaginary_before = imaginary.Contents();
  const std::vector<float> samples_before = samples.Contents();
  const std::vector<float> tables_before = cosine.Contents();
  FFT32(n, pointer(1, cosine.data()), pointer(2, sine.data()), pointer(3, real.data()),
        pointer(4, imaginary.data()), pointer(5, reinterpret_cast<std::uint16_t*>(permutation.data())),
        window, pointer(6, shared_samples ? real.data() : samples.data()), direction);

  ASSERT_TRUE(real.GuardsIntact() && imaginary.GuardsIntact() && samples.GuardsIntact()) << n;
  ASSERT_TRUE(cosine.GuardsIntact() && sine.GuardsIntact() && permutation.GuardsIntact()) << n;
  ASSERT_TRUE(SameBits(samples.Contents(), samples_before)) << n;
  ASSERT_TRUE(SameBits(cosine.Contents(), tables_before)) << n;
  const bool samples_needed = window >= 1 && window <= 3;
  const bool refused =
      !transform_in_contract || (null_argument != 0 && (null_argument != 6 || samples_needed));
  if (refused) {
    ASSERT_TRUE(SameBits(real.Contents(), real_before)) << n << " null " << null_argument;
    ASSERT_TRUE(SameBits(imaginary.Contents(), imaginary_before)) << n << " null " << null_argument;
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
  FFTP32(n, real.data(), imaginary.data());
  ASSERT_TRUE(real.GuardsIntact() && imaginary.GuardsIntact()) << n;
  for (std::size_t i = 0; i < size; ++i) ASSERT_GE(real[i], 0.0003f) << n << " " << i;
}

void FuzzArrayConversions(Fuzzer& fuzz) {
  const std::uint16_t count =
      static_cast<std::uint16_t>(fuzz.Chance(2) ? fuzz.Uniform(0, 40) : fuzz.Uniform(0, 65535));
  const std::size_t words_size = count;
  const std::size_t bytes_size = 2 * std::size_t{count};
  GuardedArray<std::uint16_t> words(words_size, 0xEEEE);
  GuardedArray<std::uint8_t> bytes(bytes_size, 0xEE);
  fuzz.Fill(words, words_size);
  fuzz.Fill(bytes, bytes_size);
  CHRVAL1(bytes.data(), words.data(), count);
  VALCHR1(words.data(), bytes.data(), count);
  CHRVAL2(bytes.data(), words.data(), count);
  VALCHR2(words.data(), bytes.data(), count);
  ASSERT_TRUE(words.GuardsIntact() && bytes.GuardsIntact()) << count;
}

TEST(signalFuzz, NothingIsTouchedOutsideTheCallersElements) {
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
}  // namespace lineio::test
