// Byte and word array conversions: little-endian pairs, counts of 0 and
// counts beyond 32768 words.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

#include "signal_test_support.h"

namespace lineio::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint16_t>;

TEST(SignalArraysTest, DocumentedCases) {
  {
    const Bytes bytes{0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80};
    Words words(3);
    CHRVAL2(bytes.data(), words.data(), 3);
    EXPECT_EQ(words, (Words{0x1234, 0xFFFF, 0x8000}));
  }
  {
    const Words words{0x1234, 0xFFFE, 0x00FF};
    Bytes bytes(6);
    VALCHR2(words.data(), bytes.data(), 3);
    EXPECT_EQ(bytes, (Bytes{0x34, 0x12, 0xFE, 0xFF, 0xFF, 0x00}));
  }
  {
    const Bytes bytes{0xFF, 0x00, 0x7F, 0x80};
    Words words(4, 0xAAAA);
    CHRVAL1(bytes.data(), words.data(), 4);
    EXPECT_EQ(words, (Words{255, 0, 127, 128}));
  }
  {
    const Words words{0x1234, 0xFF00, 0x00FF, 0xABCD};
    Bytes bytes(4);
    VALCHR1(words.data(), bytes.data(), 4);
    EXPECT_EQ(bytes, (Bytes{0x34, 0x00, 0xFF, 0xCD}));
  }
}

// Converting to bytes and back gives the words, for every word value.
TEST(SignalArraysTest, PairsRoundTripEveryWord) {
  Words words(32768);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<std::uint16_t>(i * 2 + (i & 1));
  Words oddHalf(32768);
  for (std::size_t i = 0; i < oddHalf.size(); ++i)
    oddHalf[i] = static_cast<std::uint16_t>(i * 2 + 1 - (i & 1));
  for (const Words* source : {&words, &oddHalf}) {
    Bytes bytes(2 * source->size());
    VALCHR2(source->data(), bytes.data(), static_cast<std::uint16_t>(source->size()));
    Words back(source->size());
    CHRVAL2(bytes.data(), back.data(), static_cast<std::uint16_t>(source->size()));
    EXPECT_EQ(back, *source);
  }
}

// A count of 0 converts nothing; the guard words around each buffer (and the
// buffers themselves) keep their values.
TEST(SignalArraysTest, CountZeroWritesNothing) {
  Bytes bytes(16, 0x5A);
  Words words(16, 0xA5A5);
  CHRVAL1(bytes.data() + 4, words.data() + 4, 0);
  CHRVAL2(bytes.data() + 4, words.data() + 4, 0);
  VALCHR1(words.data() + 4, bytes.data() + 4, 0);
  VALCHR2(words.data() + 4, bytes.data() + 4, 0);
  EXPECT_EQ(bytes, Bytes(16, 0x5A));
  EXPECT_EQ(words, Words(16, 0xA5A5));
}

// Only the counted elements are written, with guards on both sides.
TEST(SignalArraysTest, WritesExactlyTheCountedElements) {
  const std::size_t guard = 8;
  const std::uint16_t count = 5;
  const Bytes sourceBytes{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  const Words sourceWords{0, 0, 0, 0, 0, 0, 0, 0, 0x0102, 0x0304, 0x0506, 0x0708, 0x090A};
  {
    Words words(count + 2 * guard, 0xEEEE);
    CHRVAL2(sourceBytes.data() + guard, words.data() + guard, count);
    EXPECT_EQ(words,
              (Words{0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0x0201, 0x0403, 0x0605,
                     0x0807, 0x0A09, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE}));
  }
  {
    Bytes bytes(2 * count + 2 * guard, 0xEE);
    VALCHR2(sourceWords.data() + guard, bytes.data() + guard, count);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + guard), Bytes(guard, 0xEE));
    EXPECT_EQ(Bytes(bytes.begin() + guard, bytes.begin() + guard + 2 * count),
              (Bytes{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07, 0x0A, 0x09}));
    EXPECT_EQ(Bytes(bytes.begin() + guard + 2 * count, bytes.end()), Bytes(guard, 0xEE));
  }
  {
    Words words(count + 2 * guard, 0xEEEE);
    CHRVAL1(sourceBytes.data() + guard, words.data() + guard, count);
    EXPECT_EQ(Words(words.begin() + guard - 1, words.begin() + guard + count + 1),
              (Words{0xEEEE, 1, 2, 3, 4, 5, 0xEEEE}));
  }
  {
    Bytes bytes(count + 2 * guard, 0xEE);
    VALCHR1(sourceWords.data() + guard, bytes.data() + guard, count);
    EXPECT_EQ(Bytes(bytes.begin() + guard - 1, bytes.begin() + guard + count + 1),
              (Bytes{0xEE, 0x02, 0x04, 0x06, 0x08, 0x0A, 0xEE}));
  }
}

// Above 32768 words the pairs go on past byte 65535 rather than wrapping
// back onto the first bytes.
TEST(SignalArraysTest, CountsAbove32768UseTheFullBytePosition) {
  for (const std::uint16_t count : std::initializer_list<std::uint16_t>{32769, 40000, 65535}) {
    std::mt19937 random(count);
    Words words(count);
    for (auto& w : words) w = static_cast<std::uint16_t>(random());
    Bytes bytes(2 * std::size_t{count});
    VALCHR2(words.data(), bytes.data(), count);
    EXPECT_EQ(bytes[0], words[0] & 0xFF) << count;
    EXPECT_EQ(bytes[1], words[0] >> 8) << count;
    EXPECT_EQ(bytes[2 * std::size_t{count} - 1], words[count - 1] >> 8) << count;
    Words back(count);
    CHRVAL2(bytes.data(), back.data(), count);
    EXPECT_EQ(back, words) << count;

    Bytes narrow(count);
    VALCHR1(words.data(), narrow.data(), count);
    Words widened(count);
    CHRVAL1(narrow.data(), widened.data(), count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(widened[i], words[i] & 0xFF) << count << " " << i;
  }
}

TEST(SignalArraysTest, NullArraysWriteNothing) {
  Bytes bytes(8, 0x5A);
  Words words(8, 0xA5A5);
  CHRVAL1(nullptr, words.data(), 4);
  CHRVAL2(nullptr, words.data(), 4);
  VALCHR1(nullptr, bytes.data(), 4);
  VALCHR2(nullptr, bytes.data(), 4);
  CHRVAL1(bytes.data(), nullptr, 4);
  VALCHR2(words.data(), nullptr, 4);
  EXPECT_EQ(bytes, Bytes(8, 0x5A));
  EXPECT_EQ(words, Words(8, 0xA5A5));
}

}  // namespace
}  // namespace lineio::testing
