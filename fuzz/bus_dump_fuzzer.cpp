// The bus dump reader (sim/bus_dump.h) and the bus it builds, opened by
// PortInit. Each input is a dump as `lspci -x` prints it.
//
// A dump the reader refuses must be refused with std::runtime_error, by
// ParseBusDump and LoadBusDump alike. One it takes must read back the same
// when written with FormatCardDump, and load into a bus whose cards show the
// dumped bytes. When the bus holds a card with this board's identifiers, the
// simulated driver serves it: PortInit opens it, raw accesses reach its
// register set and the edges of the 16-bit offset space, and PortEnd leaves
// nothing held.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/process_state.h"
#include "fuzz/harness_support.h"
#include "lineio.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "sim/bus_dump.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::fuzz {

namespace {

// Each clock reading lies 40 s after the one before: the calibration then
// gives a DelayCount of 0.
constexpr double ClockStepMs = 40000.0;
// The register set of board 0 and the edges of the offset space.
constexpr std::uint16_t ProbedOffsets[] = {0x310, 0x312, 0x314,  0x316,  0x0,
                                           0xFF,  0xFFF, 0xFFFC, 0xFFFE, 0xFFFF};
constexpr std::uint8_t ProbeByte = 0x5A;
constexpr std::uint16_t ProbeWord = 0xA55A;
constexpr std::uint32_t ProbeDword = 0xDEADBEEF;

bool SameCard(const sim::CardDump& a, const sim::CardDump& b) {
  return a.Slot.Bus == b.Slot.Bus && a.Slot.Slot == b.Slot.Slot && a.Slot.Function == b.Slot.Function &&
         a.Description == b.Description && a.Config == b.Config;
}

// Nullopt when the reader refuses the dump.
std::optional<std::vector<sim::CardDump>> Parse(const std::string& text) {
  std::istringstream in(text);
  try {
    return sim::ParseBusDump(in);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

void CheckRoundTrip(const std::vector<sim::CardDump>& cards) {
  std::string written;
  for (const sim::CardDump& card : cards) written += sim::FormatCardDump(card);
  const std::optional<std::vector<sim::CardDump>> again = Parse(written);
  Require(again.has_value(), "a written dump reads back");
  Require(again->size() == cards.size(), "a written dump reads back with every card");
  for (std::size_t i = 0; i < cards.size(); ++i) {
    Require(SameCard(cards[i], (*again)[i]), "a written card reads back the same");
  }
}

// The bus shows each card at its location with the dumped header bytes.
void CheckLoadedBus(const sim::SimBus& bus, const std::vector<sim::CardDump>& cards) {
  Require(bus.CardCount() == static_cast<int>(cards.size()), "every dumped card is on the bus");
  for (std::size_t i = 0; i < cards.size(); ++i) {
    const sim::CardDump shown = sim::DumpBusCard(bus, static_cast<int>(i));
    Require(shown.Slot.Bus == cards[i].Slot.Bus && shown.Slot.Slot == cards[i].Slot.Slot &&
                shown.Slot.Function == cards[i].Slot.Function,
            "a loaded card sits at its dumped location");
    // Bytes the dump leaves out hold the card's own defaults.
    const std::size_t dumped = std::min(cards[i].Config.size(), sim::DumpHeaderBytes);
    Require(std::equal(cards[i].Config.begin(), cards[i].Config.begin() + static_cast<std::ptrdiff_t>(dumped),
                       shown.Config.begin()),
            "a loaded card shows its dumped header bytes");
  }
}

bool HoldsOwnBoard(const std::vector<sim::CardDump>& cards) {
  return std::any_of(cards.begin(), cards.end(), [](const sim::CardDump& card) {
    const std::uint32_t ids = card.Config[0] | card.Config[1] << 8 | std::uint32_t{card.Config[2]} << 16 |
                              std::uint32_t{card.Config[3]} << 24;
    return ids == (ThisBoard().Vendor | ThisBoard().Device << 16);
  });
}

void OpenAndProbe(sim::SimBus& bus) {
  ResetProcessState();
  platform::ResetOverrides();
  platform::OverrideClock([now = 0.0]() mutable { return now += ClockStepMs; });
  sim::SimulatedDriver driver(bus);
  driver.SetHistoryLimit(0);
  driver.Install();
  Require(PortInit(0) != 0, "PortInit opens the simulated driver");
  for (const std::uint16_t offset : ProbedOffsets) {
    InpB(offset);
    InpW(offset);
    InpD(offset);
    OutB(offset, ProbeByte);
    OutW(offset, ProbeWord);
    OutD(offset, ProbeDword);
  }
  PortEnd();
  Require(driver.OpenHandles() == 0, "PortEnd leaves no driver handle open");
  Require(driver.Registrations() == 0, "PortEnd leaves no card registered");
  Require(LiveBoardHandles() == 0, "PortEnd leaves no board record");
  driver.Uninstall();
  platform::ResetOverrides();
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::vector<sim::CardDump>> cards = Parse(text);
  sim::SimBus bus;
  std::istringstream in(text);
  bool loaded = true;
  try {
    Require(sim::LoadBusDump(bus, in) == static_cast<int>(cards ? cards->size() : 0),
            "LoadBusDump counts the cards");
  } catch (const std::runtime_error&) {
    loaded = false;
  }
  Require(loaded == cards.has_value(), "LoadBusDump refuses what ParseBusDump refuses");
  if (!cards) return 0;
  CheckRoundTrip(*cards);
  CheckLoadedBus(bus, *cards);
  if (HoldsOwnBoard(*cards)) OpenAndProbe(bus);
  return 0;
}

}  // namespace lineio::fuzz
