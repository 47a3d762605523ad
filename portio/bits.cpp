#include "portio/bits.h"

#include "portio/ports.h"

namespace lineio {

namespace {

inline constexpr int BlockWords = 16;
inline constexpr int BlockOutputs = 6;     // words 0 to 5; words 6 and 7 are left alone
inline constexpr int FirstBlockInput = 8;  // words 8 to 15: inputs 0 to 7 of the group
inline constexpr std::uint16_t GroupBits = 0xF0;

// 1 shifted by the bit number mod 32, as a 32-bit value: numbers 16 to 31
// select no bit of a 16-bit port value.
// Kept: bits 16 to 31 change and test nothing, and 32 on wrap round to bit 0 again.
std::uint32_t BitMask(std::uint16_t bit) { return 1u << (bit % 32); }

}  // namespace

std::int32_t BitOn(std::uint16_t port, std::uint16_t bit) {
  const std::uint32_t value = LogicalPortReadBack(port) | BitMask(bit);
  return LogicalPortWrite(port, static_cast<std::uint16_t>(value));
}

std::int32_t BitOff(std::uint16_t port, std::uint16_t bit) {
  const std::uint32_t value = LogicalPortReadBack(port) & ~BitMask(bit);
  return LogicalPortWrite(port, static_cast<std::uint16_t>(value));
}

std::uint16_t TestQbit(std::uint16_t port, std::uint16_t bit) {
  return (LogicalPortReadBack(port) & BitMask(bit)) != 0 ? 1 : 0;
}

std::uint16_t TestIbit(std::uint16_t port, std::uint16_t bit) {
  return (LogicalPortRead(port) & BitMask(bit)) != 0 ? 1 : 0;
}

void GetIOBlockData(std::uint16_t port, std::uint16_t* buffer) {
  if (buffer == nullptr) return;
  const std::uint16_t base = port & GroupBits;
  if (base == 0) {
    for (std::uint16_t k = 0; k < BlockWords; ++k) buffer[k] = LogicalPortRead(k);
    return;
  }
  for (int k = 0; k < BlockOutputs; ++k)
    buffer[k] = LogicalPortReadBack(static_cast<std::uint16_t>(base + k));
  for (int k = FirstBlockInput; k < BlockWords; ++k) {
    buffer[k] = LogicalPortRead(static_cast<std::uint16_t>(base + k - FirstBlockInput));
  }
}

}  // namespace lineio
