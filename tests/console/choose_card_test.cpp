// Choosing a card by vendor and device identifier.
#include <gtest/gtest.h>

#include "console/console.h"
#include "tests/console/console_test_support.h"
#include "tests/support/console.h"

namespace lineio {
namespace {

using testing::Expected;

class ChooseCardTest : public testing::BoardTest {
 protected:
  ChooseCardTest() {
    first_ = Bus.SlotOf(AddCard(std::make_unique<sim::SimCard>(0x136C, 0xA036)));
    second_ = Bus.SlotOf(AddCard(std::make_unique<sim::SimCard>(0x136C, 0xA036)));
    merlin_ = Bus.SlotOf(AddCard(std::make_unique<sim::SimCard>(0x1172, 0x1998)));
  }
  std::uint32_t Choose(const std::string& input, PciSlot& out, std::string& printed) {
    testing::ScriptedStdin in(input);
    testing::CapturedStdout captured;
    const std::uint32_t chosen = ChooseCard(out);
    printed = captured.Take();
    return chosen;
  }

  PciSlot first_{}, second_{}, merlin_{};
};

bool SameSlot(const PciSlot& a, const PciSlot& b) {
  return a.Bus == b.Bus && a.Slot == b.Slot && a.Function == b.Function;
}

TEST_F(ChooseCardTest, Dialogues) {
  const PciSlot untouched{77, 77, 77};
  struct Case {
    const char* Name;
    std::string Input;
    const char* Expected;
    std::uint32_t Chosen;
    PciSlot Slot;
  };
  const Case cases[] = {
      {"vendor 0", "0\n", "choose_vendor_zero.txt", 0, untouched},
      {"vendor not hexadecimal", "zz\n", "choose_vendor_zero.txt", 0, untouched},
      {"one card", "1172\n1998\n", "choose_one_card.txt", 1, merlin_},
      {"device not hexadecimal: any device", "1172\nqq\n", "choose_one_card.txt", 1, merlin_},
      {"pick 2", "136c\na036\n2\n", "choose_pick.txt", 1, second_},
      {"pick 1", "136C\nA036\n1\n", "choose_pick.txt", 1, first_},
      {"pick 0", "136c\na036\n0\nn\n", "choose_pick_out_of_range.txt", 0, untouched},
      {"pick above the count", "136c\na036\n3\nno\n", "choose_pick_out_of_range.txt", 0, untouched},
      {"negative pick", "136c\na036\n-1\nN\n", "choose_pick_out_of_range.txt", 0, untouched},
      {"pick not a number", "136c\na036\nfirst\nn\n", "choose_pick_out_of_range.txt", 0, untouched},
      {"try again with Y", "136c\na036\n3\nY\n1172\n1998\n", "choose_retry_then_one_card.txt", 1, merlin_},
      {"try again with y", "136c\na036\n0\nyes\n0\n", "choose_retry_then_vendor_zero.txt", 0, untouched},
      {"no such card", "dead\nbeef\nn\n", "choose_no_such_card.txt", 0, untouched},
      // End of input at every prompt gives 0, as a cancel does.
      {"end at vendor", "", "choose_vendor_zero.txt", 0, untouched},
      {"end at device", "136c\n", "choose_one_card.txt", 0, untouched},
      {"end at pick", "136c\na036\n", "choose_pick.txt", 0, untouched},
      {"end at the question", "136c\na036\n9\n", "choose_pick_out_of_range.txt", 0, untouched},
      // The rest of a 10,000-character pick does not answer the question.
      {"overlong pick", "136c\na036\n1" + std::string(9999, '0') + "\ny\n1172\n1998\n",
       "choose_retry_then_one_card.txt", 1, merlin_},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PciSlot out = untouched;
    std::string printed;
    EXPECT_EQ(Choose(c.Input, out, printed), c.Chosen);
    EXPECT_EQ(printed, Expected(c.Expected));
    EXPECT_TRUE(SameSlot(out, c.Slot));
    EXPECT_EQ(Driver.OpenHandles(), 0);
  }
}

}  // namespace
}  // namespace lineio
