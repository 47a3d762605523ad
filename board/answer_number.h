// Numbers in the answers that a person types at a prompt (the questions of
// opening the board, and the diagnostic console), read as scanf's "%d" and
// "%x" read a word: an optional sign, for hexadecimal an optional "0x", then digits up
// to the first character that is not one. Unlike scanf, a number too large
// for 32 bits is refused rather than cut down to its low bits, and a word
// that holds a NUL byte is no number at all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lineio {

enum class AnswerNumberKind { Number, NotANumber, TooBig };

struct AnswerNumber {
  AnswerNumberKind Kind;
  std::uint32_t Value;  // the number's 32 bits when Kind is Number, else 0
};

// `text` holds `length` characters (not necessarily ending in a zero).
// Decimal numbers must fit a signed 32-bit integer; Value holds its bits.
AnswerNumber ParseDecimalNumber(const char* text, std::size_t length);
// Hexadecimal numbers must fit 32 bits; a minus sign negates them modulo
// 2^32, as scanf does.
AnswerNumber ParseHexNumber(const char* text, std::size_t length);

}  // namespace lineio
