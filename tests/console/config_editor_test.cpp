// The configuration register editor: the table as the user sees it, what each
// answer writes to the card, and that every prompt ends at end of input.
#include <gtest/gtest.h>

#include <string>

#include "console/console.h"
#include "tests/console/console_test_support.h"
#include "tests/support/console.h"

namespace lineio {
namespace {

using testing::ConfigAccess;
using testing::Expected;
using testing::Occurrences;
using testing::Repeat;

constexpr char TableHeading[] = "Edit PCI configuration registers\n";

class ConfigEditorTest : public testing::BoardTest {
 protected:
  ConfigEditorTest() {
    card_ = AddCard(testing::MakeEditorCard());
    slot_ = Bus.SlotOf(card_);
    platform::InstallDriverService(&recorder_);
  }
  std::string Edit(const std::string& input) {
    testing::ScriptedStdin in(input);
    testing::CapturedStdout out;
    EditConfigRegisters(slot_);
    return out.Take();
  }
  sim::SimCard& Card() { return Bus.Card(card_); }

  int card_ = -1;
  PciSlot slot_{};
  testing::RecordingDriver recorder_{Driver};
};

TEST_F(ConfigEditorTest, ShowsTheTableAndLeavesOn99) {
  EXPECT_EQ(Edit("99\n"), Expected("editor_display.txt"));
  EXPECT_TRUE(recorder_.Writes().empty());
  EXPECT_EQ(Driver.OpenHandles(), 0);
}

TEST_F(ConfigEditorTest, RowsAreTwoCellsOf26Characters) {
  const std::string table = Edit("99\n");
  EXPECT_NE(table.find("\n 1.    VID : 136c         11. BADDR0 : e8000001     \n"), std::string::npos);
  EXPECT_NE(table.find("\n" + std::string(26, ' ') + "21. MAXLAT : 2a" + std::string(11, ' ') + "\n"),
            std::string::npos);
}

TEST_F(ConfigEditorTest, ReadsEveryRegisterAfreshInPrintingOrder) {
  Edit("0\n99\n");
  // Entries 1, 11, 2, 12, ..., 10, 20, 21, each through its aligned double word.
  const std::vector<std::uint32_t> oneDisplay = {0x00, 0x10, 0x00, 0x14, 0x04, 0x18, 0x04,
                                                 0x1C, 0x08, 0x20, 0x08, 0x24, 0x0C, 0x30,
                                                 0x0C, 0x3C, 0x0C, 0x3C, 0x0C, 0x3C, 0x3C};
  std::vector<std::uint32_t> twoDisplays = oneDisplay;
  twoDisplays.insert(twoDisplays.end(), oneDisplay.begin(), oneDisplay.end());
  EXPECT_EQ(recorder_.ReadOffsets(), twoDisplays);
}

TEST_F(ConfigEditorTest, CellsTakeTheirBytesFromTheAlignedDoubleWord) {
  struct Case {
    const char* Name;
    std::uint32_t Offset;
    std::uint32_t Dword;
    const char* Cell;
  };
  const Case cases[] = {
      {"DID is the upper half at 0x00", 0x00, 0xBEEF136C, " 2.    DID : beef "},
      {"CLCD is bytes 0x09 to 0x0B, 0x0B highest", 0x08, 0x563412A7, " 6.   CLCD : 563412 "},
      {"RID is the low byte at 0x08", 0x08, 0x563412A7, " 5.    RID : a7 "},
      {"BIST is the top byte at 0x0C", 0x0C, 0xC5802010, "10.   BIST : c5 "},
      {"HDR is byte 0x0E", 0x0C, 0xC5802010, " 9.    HDR : 80 "},
      {"INTPIN is byte 0x3D", 0x3C, 0x2A08010B, "19. INTPIN : 01 "},
      {"MINGNT is byte 0x3E", 0x3C, 0x2A08010B, "20. MINGNT : 08 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Card().ConfigPoke(c.Offset, 4, c.Dword);
    EXPECT_NE(Edit("99\n").find(c.Cell), std::string::npos);
  }
}

TEST_F(ConfigEditorTest, AnswersWriteTheRegisterAtItsOwnWidth) {
  struct Case {
    const char* Name;
    std::string Input;
    const char* Prompt;
    bool TooBig;
    std::vector<ConfigAccess> Writes;
  };
  const char* rid = "Enter value to write to RID register (or 'X' to cancel): ";
  const Case cases[] = {
      {"RID 100 is too big", "5\n100\n", rid, true, {}},
      {"RID ff", "5\nff\n", rid, false, {{false, 0x08, 1, 0xFF}}},
      {"RID x cancels", "5\nx\n", rid, false, {}},
      {"RID X cancels", "5\nXyz\n", rid, false, {}},
      {"RID zz writes 0", "5\nzz\n", rid, false, {{false, 0x08, 1, 0x00}}},
      {"RID 100000001 is too big, not 01", "5\n100000001\n", rid, true, {}},
      {"RID f, NUL, f is no number", std::string("5\nf\0f\n", 6), rid, false, {{false, 0x08, 1, 0x00}}},
      {"LAT is one byte: CALN, HDR and BIST are not written",
       "8\n40\n",
       "Enter value to write to LAT register (or 'X' to cancel): ",
       false,
       {{false, 0x0D, 1, 0x40}}},
      {"BADDR0 takes ffffffff",
       "11\nffffffff\n",
       "Enter value to write to BADDR0 register (or 'X' to cancel): ",
       false,
       {{false, 0x10, 4, 0xFFFFFFFF}}},
      {"BADDR0 100000000 is too big",
       "11\n100000000\n",
       "Enter value to write to BADDR0 register (or 'X' to cancel): ",
       true,
       {}},
      {"VID 10000 is too big",
       "1\n10000\n",
       "Enter value to write to VID register (or 'X' to cancel): ",
       true,
       {}},
      {"DID ffff",
       "2\nffff\n",
       "Enter value to write to DID register (or 'X' to cancel): ",
       false,
       {{false, 0x02, 2, 0xFFFF}}},
      {"CLCD 1000000 is too big",
       "6\n1000000\n",
       "Enter value to write to CLCD register (or 'X' to cancel): ",
       true,
       {}},
      {"CLCD abcdef keeps RID, through the double word",
       "6\nabcdef\n",
       "Enter value to write to CLCD register (or 'X' to cancel): ",
       false,
       {{false, 0x08, 4, 0xABCDEF02}}},
      // A real card's status register clears its error bits where a 1 is
      // written: editing CMD must not write STS back as it was read.
      {"CMD is two bytes: STS is not written",
       "3\n7\n",
       "Enter value to write to CMD register (or 'X' to cancel): ",
       false,
       {{false, 0x04, 2, 0x0007}}},
      {"MAXLAT 7",
       "21\n7\n",
       "Enter value to write to MAXLAT register (or 'X' to cancel): ",
       false,
       {{false, 0x3F, 1, 0x07}}},
  };
  const std::string display = Expected("editor_display.txt");
  const std::uint32_t commandAndStatus = Card().ConfigRead(0x04, 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    recorder_.Accesses.clear();
    const std::string output = Edit(c.Input + "99\n");
    const std::string answered = display + c.Prompt + (c.TooBig ? MsgValueTooBig : "");
    EXPECT_EQ(output.substr(0, answered.size()), answered);
    EXPECT_EQ(output.substr(answered.size(), 1 + sizeof TableHeading - 1), std::string("\n") + TableHeading);
    EXPECT_EQ(Occurrences(output, TableHeading), 2);
    EXPECT_EQ(recorder_.Writes(), c.Writes);
    // Put the card back for the next case.
    Card().ConfigPoke(0x00, 4, 0xA036136C);
    Card().ConfigPoke(0x04, 4, commandAndStatus);
    Card().ConfigPoke(0x08, 4, 0x11800102);
    Card().ConfigPoke(0x0C, 4, 0x00802010);
    Card().ConfigPoke(0x10, 4, 0xE8000001);
    Card().ConfigPoke(0x3C, 4, 0x2A08010B);
  }
}

TEST_F(ConfigEditorTest, WrittenValuesShowInTheNextTable) {
  const std::uint32_t status = Card().ConfigRead(0x06, 2);
  const std::string output = Edit("8\n40\n11\nffffffff\n3\n0\n18\n5\n99\n");
  EXPECT_EQ(Card().ConfigRead(0x0C, 4), 0x00804010u);
  EXPECT_EQ(Card().ConfigRead(0x04, 2), 0u);
  EXPECT_EQ(Card().ConfigRead(0x06, 2), status);
  EXPECT_EQ(Card().ConfigRead(0x3C, 4), 0x2A080105u);
  // The I/O base address register answers all ones with its size mask.
  EXPECT_EQ(Card().ConfigRead(0x10, 4), 0xFFFFFF01u);
  const std::string last = output.substr(output.rfind(TableHeading));
  EXPECT_NE(last.find(" 8.    LAT : 40 "), std::string::npos);
  EXPECT_NE(last.find("11. BADDR0 : ffffff01 "), std::string::npos);
  EXPECT_NE(last.find(" 3.    CMD : 0000 "), std::string::npos);
  EXPECT_NE(last.find("18.  INTLN : 05 "), std::string::npos);
}

TEST_F(ConfigEditorTest, OtherChoicesShowTheTableAgainWithoutAPrompt) {
  const std::string display = Expected("editor_display.txt");
  EXPECT_EQ(Edit("0\n22\n98\n100\n-5\n99\n"), Repeat(display, 6));
  // A choice too large for 32 bits selects nothing (cut down, 4294967314 was 18).
  EXPECT_EQ(Edit("4294967314\n4294967395\n99\n"), Repeat(display, 3));
  // A choice that is not a number is used up: it costs one table, not a loop.
  EXPECT_EQ(Edit("abc x12\n99\n"), Repeat(display, 3));
  EXPECT_TRUE(recorder_.Writes().empty());
}

TEST_F(ConfigEditorTest, EndOfInputAtEitherPromptEndsTheEditor) {
  const std::string display = Expected("editor_display.txt");
  EXPECT_EQ(Edit(""), display);
  EXPECT_EQ(Edit("abc"), Repeat(display, 2));
  EXPECT_EQ(Edit("5\n"), display + "Enter value to write to RID register (or 'X' to cancel): ");
  EXPECT_EQ(Edit("0\n5"), Repeat(display, 2) + "Enter value to write to RID register (or 'X' to cancel): ");
  EXPECT_TRUE(recorder_.Writes().empty());
  EXPECT_EQ(Driver.OpenHandles(), 0);
}

TEST_F(ConfigEditorTest, OverlongAnswersAreOneAnswerEach) {
  const std::string display = Expected("editor_display.txt");
  const std::string prompt = "Enter value to write to RID register (or 'X' to cancel): ";
  // The rest of a 10,000-character word is not taken as the next answers.
  EXPECT_EQ(Edit("5\n" + std::string(10000, '1') + "\n99\n"), display + prompt + MsgValueTooBig + display);
  EXPECT_EQ(Edit(std::string(10000, '7') + "\n99\n"), Repeat(display, 2));
  EXPECT_TRUE(recorder_.Writes().empty());
}

}  // namespace
}  // namespace lineio
