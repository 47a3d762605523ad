// Reading the answers of the diagnostic console from standard input.
//
// Answers are words, as scanf reads them: leading blanks and line ends are
// skipped and the word runs to the next blank or line end. Each word goes into
// a bounded buffer; the part of a longer word that does not fit is read and
// thrown away, so it never becomes the next answer. Every read consumes the
// word whether or not it parses, so a prompt never sees the same input twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace lineio {

// The size of an answer buffer, terminating zero included.
inline constexpr std::size_t AnswerBytes = 100;

struct Answer {
  char Text[AnswerBytes];
  std::size_t Length;  // characters kept in Text (a NUL byte typed counts)
};

// The next word; nothing at end of input.
std::optional<Answer> ReadAnswerWord();
// The next word parsed as "%d" or "%x" (board/answer_number.h): nothing at
// end of input; 0 when the word does not begin with a number, and when the
// number does not fit 32 bits.
std::optional<std::int32_t> ReadDecimalAnswer();
std::optional<std::uint32_t> ReadHexAnswer();
// Reads one line and throws it away, however long it is; false at end of
// input.
bool SkipAnswerLine();
// Whether the word's first character, changed to upper case, is `letter`.
bool AnswerStartsWith(const Answer& answer, char letter);

}  // namespace lineio
