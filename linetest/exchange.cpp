// ExchgLine: a switching pattern of ten hexadecimal characters, validated as a
// whole before anything reaches the board, loaded as three 16-bit words into
// one of the two exchange banks.
#include "linetest/controls.h"
#include "linetest/serial.h"

namespace lineio {

namespace {

inline constexpr int PatternCharacters = 10;
// Characters of each word: 1-2 (a byte), 3-6 and 7-10.
inline constexpr int WordEnds[] = {2, 6, 10};

}  // namespace

std::uint16_t HexDigitValue(std::uint16_t character) {
  if (character >= '0' && character <= '9') return static_cast<std::uint16_t>(character - '0');
  if (character >= 'A' && character <= 'F') return static_cast<std::uint16_t>(character - 'A' + 10);
  if (character >= 'a' && character <= 'f') return static_cast<std::uint16_t>(character - 'a' + 10);
  return PatternRefused;
}

std::uint16_t ExchgLine(std::uint16_t mode, const char* pattern) {
  if (pattern == nullptr) return PatternRefused;
  std::uint16_t digits[PatternCharacters];
  for (int i = 0; i < PatternCharacters; ++i) {
    digits[i] = HexDigitValue(static_cast<unsigned char>(pattern[i]));
    if (digits[i] == PatternRefused) return PatternRefused;
  }
  std::uint16_t words[3] = {};
  for (int w = 0, i = 0; w < 3; ++w) {
    for (; i < WordEnds[w]; ++i) words[w] = static_cast<std::uint16_t>(words[w] * 16 + digits[i]);
  }
  const std::uint16_t base = LinePortBase();
  for (std::uint16_t word : words) SerialShiftOut(LineSerialPort, base, word, 16);
  // Kept: every mode but 0 loads bank 1.
  LoadPulse(LineSerialPort, base, mode == 0 ? ExchangeBank0Load : ExchangeBank1Load);
  return 0;
}

}  // namespace lineio
