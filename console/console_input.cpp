// Reading the answers of the diagnostic console from standard input.
#include "console/console_input.h"

#include "board/answer_number.h"

#include <cctype>
#include <cstdio>

namespace lineio {

namespace {

bool IsBlank(int c) { return std::isspace(c) != 0; }

// Skips blanks and line ends; gives the first character after them, or EOF.
int SkipBlanks() {
  int c = std::getchar();
  while (c != EOF && IsBlank(c)) c = std::getchar();
  return c;
}

}  // namespace

std::optional<Answer> ReadAnswerWord() {
  int c = SkipBlanks();
  if (c == EOF) return std::nullopt;
  Answer answer{};
  std::size_t length = 0;
  for (; c != EOF && !IsBlank(c); c = std::getchar()) {
    if (length + 1 < AnswerBytes) answer.Text[length++] = static_cast<char>(c);
  }
  // The blank that ended the word stays in the input, as with scanf.
  if (c != EOF) std::ungetc(c, stdin);
  answer.Text[length] = '\0';
  answer.Length = length;
  return answer;
}

namespace {

// The next word parsed by `parse`; a word that is no number, or too large a
// one, gives 0.
std::optional<std::uint32_t> ReadNumberAnswer(AnswerNumber (*parse)(const char*, std::size_t)) {
  const std::optional<Answer> answer = ReadAnswerWord();
  if (!answer) return std::nullopt;
  const AnswerNumber number = parse(answer->Text, answer->Length);
  return number.Kind == AnswerNumberKind::Number ? number.Value : 0;
}

}  // namespace

std::optional<std::int32_t> ReadDecimalAnswer() {
  const std::optional<std::uint32_t> bits = ReadNumberAnswer(ParseDecimalNumber);
  if (!bits) return std::nullopt;
  return static_cast<std::int32_t>(*bits);
}

std::optional<std::uint32_t> ReadHexAnswer() { return ReadNumberAnswer(ParseHexNumber); }

bool SkipAnswerLine() {
  int c = std::getchar();
  if (c == EOF) return false;
  while (c != EOF && c != '\n') c = std::getchar();
  return true;
}

bool AnswerStartsWith(const Answer& answer, char letter) {
  return std::toupper(static_cast<unsigned char>(answer.Text[0])) == letter;
}

}  // namespace lineio
