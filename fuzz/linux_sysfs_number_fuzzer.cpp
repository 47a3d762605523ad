// The Linux backend's reader of the numbers in the small sysfs files (vendor,
// device, irq, uio event counts): ParseSysfsNumber, against a second reading
// written from its header's own words.
//
// Input: one byte choosing the largest value taken (mod 4: a PCI identifier
// 0xffff, 32 bits, 64 bits, or the byte itself), then the file's text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "fuzz/harness_support.h"
#include "platform/linux/sysfs_number.h"

namespace lineio::fuzz {

namespace {

constexpr std::uint64_t Maxima[] = {0xFFFF, 0xFFFFFFFF, UINT64_MAX};
constexpr std::size_t MaximumChoices = sizeof Maxima / sizeof Maxima[0] + 1;
constexpr std::size_t MaxHexDigits = 16;
constexpr std::size_t MaxDecimalDigits = 20;

bool IsDecimal(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
std::uint64_t HexValue(char c) {
  if (IsDecimal(c)) return static_cast<std::uint64_t>(c - '0');
  return static_cast<std::uint64_t>((c | 0x20) - 'a') + 10;
}

// "0x" and 1 to 16 hexadecimal digits, or 1 to 20 decimal digits, then at
// most one line end; the value when it fits 64 bits.
std::optional<std::uint64_t> ReferenceReading(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  if (text.empty() || text.size() > (hex ? MaxHexDigits : MaxDecimalDigits)) return std::nullopt;
  unsigned __int128 value = 0;
  for (const char c : text) {
    if (!(hex ? IsHex(c) : IsDecimal(c))) return std::nullopt;
    value = value * (hex ? 16 : 10) + HexValue(c);
  }
  if (value > UINT64_MAX) return std::nullopt;
  return static_cast<std::uint64_t>(value);
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t choice = data[0] % MaximumChoices;
  const std::uint64_t max = choice < MaximumChoices - 1 ? Maxima[choice] : data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::optional<std::uint64_t> value = platform::linuxpci::ParseSysfsNumber(text, max);
  std::optional<std::uint64_t> expected = ReferenceReading(text);
  if (expected && *expected > max) expected.reset();
  Require(value.has_value() == expected.has_value(),
          "a sysfs number is taken exactly when it is well formed");
  if (value) Require(*value == *expected && *value <= max, "a sysfs number reads as its digits say");
  return 0;
}

}  // namespace lineio::fuzz
