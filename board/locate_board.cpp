// Finding and opening the board, asking the user on the console when the
// identifiers are not known or several cards match.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>

#include "board/answer_number.h"
#include "board/board.h"
#include "board/messages.h"
#include "board/open_failure.h"

namespace lineio {

namespace {

// Reads one line of standard input into the console line. A line longer than
// the console line keeps its beginning; the rest of it is read and dropped, so
// the next prompt starts on a fresh line. False at end of input.
bool ReadConsoleLine() {
  char* line = processState.Board.ConsoleLine;
  std::fflush(stdout);
  if (std::fgets(line, ConsoleLineBytes, stdin) == nullptr) {
    line[0] = '\0';
    return false;
  }
  if (std::strchr(line, '\n') == nullptr) {
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
    }
  }
  return true;
}

// The number at the start of the console line (after blanks), as `parse`
// reads it. A line that holds no number, or one too large for 32 bits, gives
// nothing: the answer is refused as the diagnostic console refuses it.
std::optional<std::uint32_t> LineNumber(AnswerNumber (*parse)(const char*, std::size_t)) {
  const char* text = processState.Board.ConsoleLine;
  while (std::isspace(static_cast<unsigned char>(*text)) != 0) ++text;
  const AnswerNumber number = parse(text, std::strlen(text));
  if (number.Kind != AnswerNumberKind::Number) return std::nullopt;
  return number.Value;
}

// Prints the prompt and reads the answer as a hexadecimal number into the
// value; an answer that is not one leaves the value as it was. False at end
// of input.
bool AskHex(const char* prompt, std::uint32_t& value) {
  PrintPrompt(prompt);
  if (!ReadConsoleLine()) return false;
  if (const std::optional<std::uint32_t> number = LineNumber(ParseHexNumber)) value = *number;
  return true;
}

// Asks which of several matching cards to open. Gives the choice from 1, or 0
// when the answer is out of range, not a number, too large a number, or there
// is none.
std::uint32_t AskCardChoice(std::uint32_t count) {
  char found[64];
  std::snprintf(found, sizeof found, "Found %d matching PCI cards\n", static_cast<int>(count));
  PrintMessage(found);
  char prompt[64];
  std::snprintf(prompt, sizeof prompt, "Select card (1-%d): ", static_cast<int>(count));
  PrintPrompt(prompt);
  if (!ReadConsoleLine()) return 0;
  // A negative choice is a number far above the count once taken as unsigned.
  const std::uint32_t choice = LineNumber(ParseDecimalNumber).value_or(0);
  if (choice < 1 || choice > count) {
    FailOpen(MsgChoiceOutOfRange);
    return 0;
  }
  return choice;
}

}  // namespace

BoardHandle* LocateBoard(std::uint32_t vendor, std::uint32_t device, std::uint32_t interruptWish) {
  if (vendor == 0) {
    if (!AskHex("Enter VendorID: ", vendor) || vendor == 0) return nullptr;
    if (!AskHex("Enter DeviceID: ", device)) return nullptr;
  }
  const std::uint32_t count = ScanBoards(vendor, device);
  if (count == 0) {
    FailOpen(processState.Board.ErrorText);
    return nullptr;
  }
  const std::uint32_t choice = count == 1 ? 1 : AskCardChoice(count);
  if (choice == 0) return nullptr;

  BoardHandle* board = nullptr;
  if (OpenBoard(board, vendor, device, choice - 1, interruptWish != 0 ? 1 : 0) != 0) {
    PrintMessage(MsgCardFound);
    SucceedOpen();
  } else {
    FailOpen(processState.Board.ErrorText);
  }
  return board;
}

}  // namespace lineio
