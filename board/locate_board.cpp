// Finding and opening the board, asking the user on the console when the
// identifiers are not known or several cards match.
#include <cstdio>
#include <cstring>

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

// Prints the prompt and parses the answer with the format into the value; a
// line that does not parse leaves the value as it was. False at end of input.
template <typename T>
bool Ask(const char* prompt, const char* format, T& value) {
  PrintPrompt(prompt);
  if (!ReadConsoleLine()) return false;
  std::sscanf(processState.Board.ConsoleLine, format, &value);
  return true;
}

// Asks which of several matching cards to open. Gives the choice from 1, or 0
// when the answer is out of range or there is none.
std::uint32_t AskCardChoice(std::uint32_t count) {
  char found[64];
  std::snprintf(found, sizeof found, "Found %d matching PCI cards\n", static_cast<int>(count));
  PrintMessage(found);
  int choice = 0;
  char prompt[64];
  std::snprintf(prompt, sizeof prompt, "Select card (1-%d): ", static_cast<int>(count));
  if (!Ask(prompt, "%d", choice)) return 0;
  auto unsignedChoice = static_cast<std::uint32_t>(choice);
  if (unsignedChoice < 1 || unsignedChoice > count) {
    FailOpen(MsgChoiceOutOfRange);
    return 0;
  }
  return unsignedChoice;
}

}  // namespace

BoardHandle* LocateBoard(std::uint32_t vendor, std::uint32_t device, std::uint32_t interruptWish) {
  if (vendor == 0) {
    if (!Ask("Enter VendorID: ", "%x", vendor) || vendor == 0) return nullptr;
    if (!Ask("Enter DeviceID: ", "%x", device)) return nullptr;
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
