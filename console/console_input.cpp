// Reading the answers of the diagnostic console from standard input.
#include "console/console_input.h"

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
  return answer;
}

namespace {

// The next word parsed with the format; a word that does not parse gives 0.
template <typename T>
std::optional<T> ReadNumberAnswer(const char* format) {
  const std::optional<Answer> answer = ReadAnswerWord();
  if (!answer) return std::nullopt;
  T value = 0;
  if (std::sscanf(answer->Text, format, &value) != 1) value = 0;
  return value;
}

}  // namespace

std::optional<std::int32_t> ReadDecimalAnswer() { return ReadNumberAnswer<std::int32_t>("%d"); }

std::optional<std::uint32_t> ReadHexAnswer() { return ReadNumberAnswer<std::uint32_t>("%x"); }

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
