// The interactive editor of 21 registers of a card's configuration header.
#include <array>
#include <cstdio>
#include <optional>

#include "board/answer_number.h"
#include "board/board.h"
#include "console/console.h"
#include "console/console_input.h"

namespace lineio {

namespace {

struct ConfigRegister {
  const char* Name;
  std::uint32_t Offset;
  std::uint32_t Width;
  std::uint32_t Value;
};

using RegisterTable = std::array<ConfigRegister, 21>;

constexpr RegisterTable StandardHeader = {{
    {"VID", 0x00, 2, 0},    {"DID", 0x02, 2, 0},    {"CMD", 0x04, 2, 0},    {"STS", 0x06, 2, 0},
    {"RID", 0x08, 1, 0},    {"CLCD", 0x09, 3, 0},   {"CALN", 0x0C, 1, 0},   {"LAT", 0x0D, 1, 0},
    {"HDR", 0x0E, 1, 0},    {"BIST", 0x0F, 1, 0},   {"BADDR0", 0x10, 4, 0}, {"BADDR1", 0x14, 4, 0},
    {"BADDR2", 0x18, 4, 0}, {"BADDR3", 0x1C, 4, 0}, {"BADDR4", 0x20, 4, 0}, {"BADDR5", 0x24, 4, 0},
    {"EXROM", 0x30, 4, 0},  {"INTLN", 0x3C, 1, 0},  {"INTPIN", 0x3D, 1, 0}, {"MINGNT", 0x3E, 1, 0},
    {"MAXLAT", 0x3F, 1, 0},
}};

// The table is shown in two columns: entries 1 to 10 on the left and 11 to 20
// on the right of rows 0 to 9, entry 21 alone on the right of the last row.
constexpr int Rows = 11;
constexpr int RightColumnStart = 10;
constexpr int CellWidth = 26;
constexpr int ValueColumnDigits = 8;
constexpr int ExitChoice = 99;

// Reads the register afresh and prints its 26-character cell.
void ShowCell(platform::OsHandle driver, PciSlot slot, RegisterTable& table, int index) {
  ConfigRegister& entry = table[static_cast<std::size_t>(index)];
  entry.Value = ReadConfigRegister(driver, slot, entry.Offset, entry.Width);
  const int digits = 2 * static_cast<int>(entry.Width);
  std::printf("%2d. %6s : %0*x %*s    ", index + 1, entry.Name, digits, entry.Value,
              ValueColumnDigits - digits, "");
}

void ShowTable(platform::OsHandle driver, PciSlot slot, RegisterTable& table) {
  std::printf("\n");
  std::printf("Edit PCI configuration registers\n");
  std::printf("--------------------------------\n");
  for (int row = 0; row < Rows; ++row) {
    if (row < RightColumnStart) {
      ShowCell(driver, slot, table, row);
      ShowCell(driver, slot, table, row + RightColumnStart);
    } else {
      std::printf("%*s", CellWidth, "");
      ShowCell(driver, slot, table, row + RightColumnStart);
    }
    std::printf("\n");
  }
  std::printf("99. Back to main menu\n");
  std::printf("Choose register to read from / write to, or 99 to exit: ");
}

bool FitsRegister(std::uint32_t value, std::uint32_t width) {
  switch (width) {
    case 1: return value <= 0xFF;
    case 2: return value <= 0xFFFF;
    case 3: return value <= 0xFFFFFF;
    default: return true;
  }
}

// Asks for the value of one register and writes it. False at end of input,
// which ends the editor as a cancel would.
bool EditRegister(platform::OsHandle driver, PciSlot slot, const ConfigRegister& entry) {
  std::printf("Enter value to write to %s register (or 'X' to cancel): ", entry.Name);
  const std::optional<Answer> answer = ReadAnswerWord();
  if (!answer) return false;
  if (AnswerStartsWith(*answer, 'X')) return true;
  // A word that is no hexadecimal number writes 0; one too large for 32 bits
  // fits no register.
  const AnswerNumber number = ParseHexNumber(answer->Text, answer->Length);
  const std::uint32_t value = number.Value;
  if (number.Kind == AnswerNumberKind::TooBig || !FitsRegister(value, entry.Width)) {
    std::printf("%s", MsgValueTooBig);
    return true;
  }
  WriteConfigRegister(driver, slot, entry.Offset, entry.Width, value);
  return true;
}

}  // namespace

void EditConfigRegisters(PciSlot slot) {
  platform::OsHandle driver = platform::InvalidOsHandle;
  if (OpenDriverLink(driver) == 0) return;
  RegisterTable table = StandardHeader;
  for (;;) {
    ShowTable(driver, slot, table);
    // A word that is not a number is used up and counts as any other choice.
    const std::optional<std::int32_t> choice = ReadDecimalAnswer();
    if (!choice || *choice == ExitChoice) break;
    if (*choice >= 1 && *choice <= static_cast<std::int32_t>(table.size())) {
      if (!EditRegister(driver, slot, table[static_cast<std::size_t>(*choice - 1)])) break;
    }
  }
  platform::CloseOsHandle(driver);
}

}  // namespace lineio
