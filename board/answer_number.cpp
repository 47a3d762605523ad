#include "board/answer_number.h"

#include <cstring>
#include <limits>

namespace lineio {

namespace {

constexpr std::uint64_t Int32Limit = std::uint64_t{std::numeric_limits<std::int32_t>::max()};
constexpr std::uint64_t Uint32Limit = std::uint64_t{std::numeric_limits<std::uint32_t>::max()};

int DigitValue(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

// The digits from `at` on, as far as they go; TooBig as soon as the
// magnitude passes `limit`.
AnswerNumber ParseDigits(const char* text, std::size_t length, std::size_t at, int base,
                         std::uint64_t limit) {
  std::uint64_t magnitude = 0;
  std::size_t digits = 0;
  for (; at < length && DigitValue(text[at], base) >= 0; ++at, ++digits) {
    magnitude =
        magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(DigitValue(text[at], base));
    if (magnitude > limit) return {AnswerNumberKind::TooBig, 0};
  }
  if (digits == 0) return {AnswerNumberKind::NotANumber, 0};
  return {AnswerNumberKind::Number, static_cast<std::uint32_t>(magnitude)};
}

AnswerNumber Negated(AnswerNumber number, bool negative) {
  if (negative && number.Kind == AnswerNumberKind::Number) number.Value = 0u - number.Value;
  return number;
}

bool HoldsNul(const char* text, std::size_t length) { return std::memchr(text, '\0', length) != nullptr; }

}  // namespace

AnswerNumber ParseDecimalNumber(const char* text, std::size_t length) {
  if (HoldsNul(text, length)) return {AnswerNumberKind::NotANumber, 0};
  std::size_t at = 0;
  const bool negative = at < length && text[at] == '-';
  if (at < length && (text[at] == '-' || text[at] == '+')) ++at;
  // The most negative number has one more than the most positive.
  return Negated(ParseDigits(text, length, at, 10, negative ? Int32Limit + 1 : Int32Limit), negative);
}

AnswerNumber ParseHexNumber(const char* text, std::size_t length) {
  if (HoldsNul(text, length)) return {AnswerNumberKind::NotANumber, 0};
  std::size_t at = 0;
  const bool negative = at < length && text[at] == '-';
  if (at < length && (text[at] == '-' || text[at] == '+')) ++at;
  // "0x" leads the digits only when a digit follows; "0x" alone is the 0.
  const bool prefixed = at + 2 < length && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
                        DigitValue(text[at + 2], 16) >= 0;
  if (prefixed) at += 2;
  return Negated(ParseDigits(text, length, at, 16, Uint32Limit), negative);
}

}  // namespace lineio
