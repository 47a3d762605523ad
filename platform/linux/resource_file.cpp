#include "platform/linux/resource_file.h"

#include <array>
#include <optional>

namespace lineio::platform::linuxpci {

namespace {

constexpr std::size_t FieldsPerLine = 3;
constexpr std::size_t MaxFieldDigits = 16;
constexpr std::uint64_t LetterDigitBase = 10;

std::optional<std::uint64_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a') + LetterDigitBase;
  if (c >= 'A' && c <= 'F') return static_cast<std::uint64_t>(c - 'A') + LetterDigitBase;
  return std::nullopt;
}

// "0x" and 1 to 16 hexadecimal digits.
std::optional<std::uint64_t> ParseField(std::string_view field) {
  if (field.size() < 3 || field[0] != '0' || (field[1] != 'x' && field[1] != 'X')) return std::nullopt;
  field.remove_prefix(2);
  if (field.size() > MaxFieldDigits) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : field) {
    const std::optional<std::uint64_t> digit = HexDigit(c);
    if (!digit) return std::nullopt;
    value = value << 4 | *digit;
  }
  return value;
}

// One line without its line end; the reason it is refused, or nothing.
std::variant<ResourceLine, std::string> ParseLine(std::string_view text) {
  std::array<std::uint64_t, FieldsPerLine> values{};
  for (std::size_t field = 0; field < FieldsPerLine; ++field) {
    const std::size_t blank = text.find(' ');
    const bool last = field + 1 == FieldsPerLine;
    if (!last && blank == std::string_view::npos) return std::string("too few fields");
    if (last && blank != std::string_view::npos) return std::string("too many fields");
    const std::string_view word = text.substr(0, blank);
    const std::optional<std::uint64_t> value = ParseField(word);
    if (!value) return "not a hexadecimal field: \"" + std::string(word) + "\"";
    values[field] = *value;
    if (!last) text.remove_prefix(blank + 1);
  }
  const ResourceLine line{values[0], values[1], values[2]};
  if (line.End < line.Start) return std::string("end below start");
  return line;
}

}  // namespace

bool IsUsed(const ResourceLine& line) {
  return line.End > line.Start && (line.Flags & (ResourceDisabled | ResourceUnset)) == 0;
}

std::uint64_t LengthOf(const ResourceLine& line) { return line.End - line.Start + 1; }

std::variant<std::vector<ResourceLine>, ResourceFileError> ParseResourceFile(std::string_view text) {
  if (text.empty()) return ResourceFileError{0, "empty"};
  if (text.back() != '\n') return ResourceFileError{0, "the last line has no line end"};
  std::vector<ResourceLine> lines;
  while (!text.empty()) {
    if (lines.size() == MaxResourceLines) {
      // Appended piece by piece: GCC 12 at -O3 warns wrongly on 32-bit about
      // the same text made with operator+.
      std::string reason = "more than ";
      reason += std::to_string(MaxResourceLines);
      reason += " lines";
      return ResourceFileError{0, reason};
    }
    const std::size_t end = text.find('\n');
    std::variant<ResourceLine, std::string> line = ParseLine(text.substr(0, end));
    if (auto* reason = std::get_if<std::string>(&line)) return ResourceFileError{lines.size() + 1, *reason};
    lines.push_back(std::get<ResourceLine>(line));
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace lineio::platform::linuxpci
