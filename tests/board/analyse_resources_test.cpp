// Which resource answers to which base address register, as OpenBoard works it
// out for cards with different resource lists.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "board/board.h"
#include "tests/support/board_fixture.h"

namespace lineio {
namespace {

using testing::BoardTest;

inline constexpr std::uint16_t Vendor = 0x4242;
inline constexpr std::uint16_t Device = 0x0001;
inline constexpr std::uint32_t MemoryBase = 0xE8000000;
inline constexpr std::uint32_t IoBase = 0xC000;

ResourceItem Item(std::uint32_t type, std::uint32_t value0, std::uint32_t value1 = 0) {
  ResourceItem item{};
  item.Type = type;
  item.Value0 = value0;
  item.Value1 = value1;
  return item;
}

struct Case {
  const char* Name;
  std::function<void(sim::SimCard&)> Resources;
  std::uint32_t Wish;
  bool Opens;
  std::uint32_t CurrentSpace;  // after the open attempt
  std::uint32_t SlotsInUse;    // bit per slot
};

// A case reads as its name in the test's output.
void PrintTo(const Case& c, std::ostream* os) { *os << c.Name; }

class AnalyseResourcesTest : public BoardTest, public ::testing::WithParamInterface<Case> {};

TEST_P(AnalyseResourcesTest, MapsItemsToSlots) {
  const Case& c = GetParam();
  auto card = std::make_unique<sim::SimCard>(Vendor, Device);
  c.Resources(*card);
  AddCard(std::move(card));
  processState.Board.CurrentSpace = 3;  // left from an earlier open

  BoardHandle* board = nullptr;
  const std::uint32_t opened = OpenBoard(board, Vendor, Device, 0, c.Wish);
  EXPECT_EQ(opened, c.Opens ? 1u : 0u);
  EXPECT_EQ(processState.Board.CurrentSpace, c.CurrentSpace);
  if (c.Opens) {
    EXPECT_STREQ(processState.Board.ErrorText, "");
    std::uint32_t inUse = 0;
    for (std::uint32_t slot = 0; slot < SpaceSlotCount; ++slot)
      inUse |= (board->Spaces[slot].InUse ? 1u : 0u) << slot;
    EXPECT_EQ(inUse, c.SlotsInUse);
    CloseBoard(board);
  } else {
    EXPECT_STREQ(processState.Board.ErrorText, "error - card does not have all items expected for DOVEVED\n");
  }
  ExpectNothingHeld();
}

const Case KCases[] = {
    {"memory at 0 then io at 1",
     [](sim::SimCard& c) {
       c.AddMemoryRange(0, MemoryBase, 0x1000);
       c.AddIoRange(1, IoBase, 0x400);
     },
     0, true, 1, 0b11},
    {"io at 1 then memory at 0",
     [](sim::SimCard& c) {
       c.AddIoRange(1, IoBase, 0x400);
       c.AddMemoryRange(0, MemoryBase, 0x1000);
     },
     0, true, 0, 0b11},
    {"unmatched memory base last",
     [](sim::SimCard& c) {
       c.AddIoRange(2, IoBase, 0x400);
       c.AddRawItem(Item(ItemMemory, 0xF0000000, 0x1000));
     },
     0, true, 7, 0b100},
    {"expansion rom", [](sim::SimCard& c) { c.AddMemoryRange(sim::ExpansionRomBar, 0xEC000000, 0x8000); }, 0,
     true, 6, 0b1000000},
    {"two interrupts, no wish",
     [](sim::SimCard& c) {
       c.AddInterrupt(5);
       c.AddInterrupt(9);
       c.AddIoRange(0, IoBase, 0x400);
     },
     0, true, 0, 0b1},
    {"two interrupts, wish",
     [](sim::SimCard& c) {
       c.AddInterrupt(5);
       c.AddInterrupt(9);
       c.AddIoRange(0, IoBase, 0x400);
     },
     1, false, 3, 0},
    {"no interrupt, wish", [](sim::SimCard& c) { c.AddIoRange(0, IoBase, 0x400); }, 1, false, 0, 0},
    {"interrupt, wish",
     [](sim::SimCard& c) {
       c.AddIoRange(0, IoBase, 0x400);
       c.AddInterrupt(5);
     },
     1, true, 0, 0b1},
    {"only interrupt and bus items",
     [](sim::SimCard& c) {
       c.AddInterrupt(5);
       c.AddLocationItem();
     },
     0, false, 3, 0},
    {"unknown item types are passed over",
     [](sim::SimCard& c) {
       c.AddRawItem(Item(4, IoBase));
       c.AddRawItem(Item(9, IoBase));
       c.AddIoRange(4, IoBase, 0x400);
     },
     0, true, 4, 0b10000},
};

INSTANTIATE_TEST_SUITE_P(Lists, AnalyseResourcesTest, ::testing::ValuesIn(KCases), [](const auto& p) {
  std::string name = p.param.Name;
  for (char& ch : name) {
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  }
  return name;
});

}  // namespace
}  // namespace lineio
