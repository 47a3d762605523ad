// The console dialogues with fuzzed standard input, on a simulated bus with
// several matching boards: two Kestrel and two Merlin boards, a card with the
// Kestrel vendor and another device, a card in domain 1, and the default
// bus's network and bridge cards.
//
// Input: six header bytes, then standard input:
//   dialogue  (mod 5) 0 ScanPciBus; 1 ChooseCard, then EditConfigRegisters
//             on the chosen card; 2 EditConfigRegisters; 3 LocateBoard with
//             vendor 0 (it asks for the identifiers) and CloseBoard;
//             4 PrintCardResources
//   card      the bus index of the card EditConfigRegisters and
//             PrintCardResources work on (mod cards + 1: the last is a slot
//             with no card)
//   cards     the card count the driver reports on every scan (0: the true one)
//   items     the item count it reports for every card (0: the true one)
//   flags     bit 0: LocateBoard asks for the interrupt; bit 1: the driver
//             device is missing
//   faults    driver faults (fuzz/driver_faults.h)
// Every dialogue must close each driver handle it opened, and LocateBoard's
// board must close without leaving a registration behind.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "board/board.h"
#include "board/process_state.h"
#include "console/console.h"
#include "fuzz/driver_faults.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/harness_support.h"
#include "platform/overrides.h"
#include "sim/default_bus.h"
#include "sim/kestrel_board.h"
#include "sim/line_board.h"
#include "sim/pci_location.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::fuzz {

namespace {

constexpr std::size_t HeaderBytes = 6;
constexpr std::uint8_t FlagInterrupt = 0x1;
constexpr std::uint8_t FlagDeviceMissing = 0x2;
constexpr std::uint32_t SecondBoardIoBase = sim::BoardIoBase + 2 * sim::BoardIoLength;
constexpr std::uint32_t OtherKestrelDevice = 0xA037;
constexpr std::uint32_t OtherDomain = 1;
constexpr std::uint32_t DomainCardSlot = 3;
// A location where no card sits.
constexpr PciSlot EmptySlot{0x12, 0x1F, 7};

enum class Dialogue : std::uint8_t { Scan, ChooseThenEdit, Edit, Locate, Resources, Count };

void PopulateBus(sim::SimBus& bus, sim::SimulatedDriver& driver) {
  sim::PopulateDefaultBus(bus);
  bus.AddCard(sim::MakeKestrelBoard(SecondBoardIoBase, sim::BoardInterruptLine + 2));
  bus.AddCard(sim::MakeMerlinBoard(SecondBoardIoBase + sim::BoardIoLength, sim::BoardInterruptLine + 3));
  bus.AddCard(sim::MakeBoardCard(sim::KestrelVendor, OtherKestrelDevice,
                                 SecondBoardIoBase + 2 * sim::BoardIoLength, sim::BoardInterruptLine));
  bus.AddCard(sim::MakeBoardCard(sim::KestrelVendor, sim::KestrelDevice,
                                 SecondBoardIoBase + 3 * sim::BoardIoLength, sim::BoardInterruptLine),
              sim::SlotInDomain(OtherDomain, 0, DomainCardSlot, 0));
  driver.SetHistoryLimit(0);
  for (int index = 0; index < bus.CardCount(); ++index) {
    if (auto* board = dynamic_cast<sim::LineBoard*>(&bus.Card(index))) board->SetHistoryLimit(0);
  }
}

PciSlot SlotOfCard(const sim::SimBus& bus, std::uint8_t card) {
  const int index = card % (bus.CardCount() + 1);
  return index < bus.CardCount() ? bus.SlotOf(index) : EmptySlot;
}

void RunDialogue(Dialogue dialogue, PciSlot slot, bool interrupt) {
  switch (dialogue) {
    case Dialogue::Scan: ScanPciBus(); break;
    case Dialogue::ChooseThenEdit: {
      PciSlot chosen{};
      if (ChooseCard(chosen) != 0) EditConfigRegisters(chosen);
      break;
    }
    case Dialogue::Edit: EditConfigRegisters(slot); break;
    case Dialogue::Locate: {
      BoardHandle* board = LocateBoard(0, 0, interrupt ? 1 : 0);
      if (board != nullptr) CloseBoard(board);
      break;
    }
    case Dialogue::Resources: PrintCardResources(slot.Bus, slot.Slot, slot.Function); break;
    case Dialogue::Count: break;
  }
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput header(data, size);
  const auto dialogue = static_cast<Dialogue>(header.Byte() % static_cast<std::uint8_t>(Dialogue::Count));
  const std::uint8_t card = header.Byte();
  const std::uint8_t reportedCards = header.Byte();
  const std::uint8_t reportedItems = header.Byte();
  const std::uint8_t flags = header.Byte();
  const std::uint8_t faults = header.Byte();

  ResetProcessState();
  platform::ResetOverrides();
  sim::SimBus bus;
  sim::SimulatedDriver driver(bus);
  PopulateBus(bus, driver);
  if (reportedCards != 0) driver.ReportCardCount(reportedCards);
  if (reportedItems != 0) driver.ReportItemCount(reportedItems);
  driver.SetDeviceMissing((flags & FlagDeviceMissing) != 0);
  const std::uint32_t failing = InjectDriverFaults(driver, faults);
  driver.Install();
  {
    const std::size_t skipped = size < HeaderBytes ? size : HeaderBytes;
    const FuzzedStdin in(data + skipped, size - skipped);
    RunDialogue(dialogue, SlotOfCard(bus, card), (flags & FlagInterrupt) != 0);
  }
  Require(driver.OpenHandles() == 0, "the dialogue closes every driver handle it opened");
  if (failing != ReqUnregisterCard) Require(driver.Registrations() == 0, "no card stays registered");
  Require(LiveBoardHandles() == 0, "no board record is left");
  driver.Uninstall();
  platform::ResetOverrides();
  return 0;
}

}  // namespace lineio::fuzz
