// The text lines that the bus analyser prints and the library's trace writes,
// formatted in one place so that both print the same:
//   "W 0314 04"     a register access: direction, offset in 4 hex digits,
//                   value in as many digits as the access is wide;
//   "L freq1 1234"  a word a serial device took, in as many digits as the
//                   device's width needs;
//   "1a"            a result, an unsigned number without leading zeros;
//   "aaaa 0001 ..." the words of a block, 4 digits each.
// Each writes into the buffer, NUL-terminated and cut to its size, and gives
// the length of the whole text (as snprintf does).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tracing/serial_decoder.h"

namespace lineio {

// Room for any one of these lines.
inline constexpr std::size_t LineBytes = 96;

int FormatAccessLine(char* out, std::size_t size, char direction, std::uint32_t offset, int width,
                     std::uint32_t value);
int FormatLoadLine(char* out, std::size_t size, const DeviceLoad& load);
int FormatResult(char* out, std::size_t size, std::uint64_t bits);
int FormatWords(char* out, std::size_t size, std::span<const std::uint16_t> words);

}  // namespace lineio
