// Copies between the host's 16-bit word arrays and byte arrays. Pairs are
// little-endian: the first byte of a pair is the low half of its word.
#include <cstddef>
#include <cstdint>

#include "signal/signal.h"

namespace lineio {
namespace {

constexpr unsigned ByteBits = 8;
constexpr unsigned ByteMask = 0xFF;

}  // namespace

// The byte position 2i is a full-width index: counts above 32768 read on
// past byte 65535 instead of wrapping back onto bytes 0, 1, ...
void PackBytePairs(const std::uint8_t* bytes, std::uint16_t* words, std::uint16_t count) {
  if (bytes == nullptr || words == nullptr) return;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned low = bytes[2 * i];
    const unsigned high = bytes[2 * i + 1];
    words[i] = static_cast<std::uint16_t>(low | (high << ByteBits));
  }
}

// The low byte of each word is written before its high byte. Full-width byte
// positions here too: a wrap would overwrite the pairs already written.
void UnpackWordPairs(const std::uint16_t* words, std::uint8_t* bytes, std::uint16_t count) {
  if (words == nullptr || bytes == nullptr) return;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned word = words[i];
    bytes[2 * i] = static_cast<std::uint8_t>(word & ByteMask);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(word >> ByteBits);
  }
}

void WidenBytes(const std::uint8_t* bytes, std::uint16_t* words, std::uint16_t count) {
  if (bytes == nullptr || words == nullptr) return;
  for (std::size_t i = 0; i < count; ++i) words[i] = bytes[i];
}

void NarrowWords(const std::uint16_t* words, std::uint8_t* bytes, std::uint16_t count) {
  if (words == nullptr || bytes == nullptr) return;
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(words[i] & ByteMask);
}

}  // namespace lineio
