#include "platform/linux/sysfs_number.h"

namespace lineio::platform::linuxpci {

namespace {

constexpr std::size_t MaxHexDigits = 16;
constexpr std::size_t MaxDecimalDigits = 20;
constexpr std::uint64_t Decimal = 10;
constexpr std::uint64_t Hexadecimal = 16;
constexpr std::uint64_t LetterDigitBase = 10;

// The value of one digit in the base, or nothing.
std::optional<std::uint64_t> DigitValue(char c, std::uint64_t base) {
  if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
  if (base != Hexadecimal) return std::nullopt;
  if (c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a') + LetterDigitBase;
  if (c >= 'A' && c <= 'F') return static_cast<std::uint64_t>(c - 'A') + LetterDigitBase;
  return std::nullopt;
}

std::optional<std::uint64_t> ParseDigits(std::string_view digits, std::uint64_t base) {
  if (digits.empty()) return std::nullopt;
  if (digits.size() > (base == Hexadecimal ? MaxHexDigits : MaxDecimalDigits)) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const std::optional<std::uint64_t> digit = DigitValue(c, base);
    if (!digit) return std::nullopt;
    if (value > (UINT64_MAX - *digit) / base) return std::nullopt;  // overflows 64 bits
    value = value * base + *digit;
  }
  return value;
}

}  // namespace

std::optional<std::uint64_t> ParseSysfsNumber(std::string_view text, std::uint64_t max) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  std::optional<std::uint64_t> value;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    value = ParseDigits(text.substr(2), Hexadecimal);
  } else {
    value = ParseDigits(text, Decimal);
  }
  if (!value || *value > max) return std::nullopt;
  return value;
}

}  // namespace lineio::platform::linuxpci
