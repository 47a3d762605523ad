// The bytes of one fuzz input, read from the front as the harness needs them:
// integers little-endian, and zeros once the input is used up, so that every
// input, however short, is a complete run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lineio::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ == size_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | (std::uint32_t{Word()} << 16);
  }
  // A length byte, then that many bytes (fewer at the end of the input).
  std::string Text() {
    std::string text;
    for (std::size_t length = Byte(); length != 0 && !Empty(); --length) {
      text.push_back(static_cast<char>(Byte()));
    }
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Deterministic array contents from a 32-bit seed (xorshift32), so that an
// input names large arrays in a few bytes.
class FillSequence {
 public:
  explicit FillSequence(std::uint32_t seed) : state_(seed != 0 ? seed : 1) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }

 private:
  std::uint32_t state_;
};

}  // namespace lineio::fuzz
