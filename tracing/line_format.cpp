#include "tracing/line_format.h"

#include <cinttypes>
#include <cstdio>

namespace lineio {

namespace {
constexpr int BitsPerDigit = 4;
}  // namespace

int FormatAccessLine(char* out, std::size_t size, char direction, std::uint32_t offset, int width,
                     std::uint32_t value) {
  return std::snprintf(out, size, "%c %04x %0*x", direction, static_cast<unsigned>(offset), 2 * width,
                       static_cast<unsigned>(value));
}

int FormatLoadLine(char* out, std::size_t size, const DeviceLoad& load) {
  const int digits = (DeviceWidth(load.Device) + BitsPerDigit - 1) / BitsPerDigit;
  return std::snprintf(out, size, "L %s %0*" PRIx64, DeviceName(load.Device), digits, load.Value);
}

int FormatResult(char* out, std::size_t size, std::uint64_t bits) {
  return std::snprintf(out, size, "%" PRIx64, bits);
}

int FormatWords(char* out, std::size_t size, std::span<const std::uint16_t> words) {
  int length = 0;
  for (const std::uint16_t word : words) {
    const std::size_t used =
        static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size;
    length +=
        std::snprintf(out + used, size - used, "%s%04x", length == 0 ? "" : " ", static_cast<unsigned>(word));
  }
  if (words.empty() && size > 0) out[0] = '\0';
  return length;
}

}  // namespace lineio
