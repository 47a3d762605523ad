#include "tracing/traced_call.h"

#include <cctype>

namespace lineio::detail {

int AppendPattern(char* out, std::size_t size, const char* bytes) {
  if (bytes == nullptr) return std::snprintf(out, size, " 0");
  int length = std::snprintf(out, size, " ");
  for (std::size_t i = 0; i < PatternBytes && bytes[i] != '\0'; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const std::size_t used =
        static_cast<std::size_t>(length) < size ? static_cast<std::size_t>(length) : size;
    length += std::isgraph(byte) != 0 ? std::snprintf(out + used, size - used, "%c", byte)
                                      : std::snprintf(out + used, size - used, "\\x%02x", byte);
  }
  return length;
}

}  // namespace lineio::detail
