#include "tests/support/board_fixture.h"

#include <algorithm>
#include <stdexcept>

#include "board/board.h"
#include "board/process_state.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "portio/delay.h"
#include "portio/ports.h"
#include "portio/startup.h"
#include "sim/trace_format.h"
#include "tests/support/console.h"

namespace lineio::testing {

void ResetLibrary() {
  ResetProcessState();
  platform::ResetOverrides();
}

BoardTest::BoardTest() {
  ResetLibrary();
  CalibrationTakes(40000.0);
  Driver.SetHistoryLimit(sim::KeepEverything);
  Driver.Install();
}

BoardTest::~BoardTest() {
  ExpectNoProtocolErrors();
  if (processState.Board.CurrentBoard != nullptr ||
      processState.Board.DriverLink != platform::InvalidOsHandle) {
    lineio::PortEnd();
  }
  ResetLibrary();
}

int BoardTest::AddOwnBoard() {
  ownBoard_ = AddCard(sim::MakeBoardCard(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                         static_cast<std::uint16_t>(ThisBoard().Device)));
  return ownBoard_;
}

sim::LineBoard& BoardTest::OwnBoard() {
  if (ownBoard_ < 0) throw std::logic_error("no board added with AddOwnBoard");
  return dynamic_cast<sim::LineBoard&>(Bus.Card(ownBoard_));
}

void BoardTest::ExpectNoProtocolErrors() {
  for (int index = 0; index < Bus.CardCount(); ++index) {
    const auto* board = dynamic_cast<const sim::LineBoard*>(&Bus.Card(index));
    if (board == nullptr) continue;
    for (const std::string& error : board->ProtocolErrors()) {
      ADD_FAILURE() << "board model at bus index " << index << ": " << error;
    }
    const std::uint64_t unshown = board->ProtocolErrorCount() - board->ProtocolErrors().size();
    if (unshown != 0) ADD_FAILURE() << "board model at bus index " << index << ": " << unshown << " more";
  }
}

int BoardTest::AddCard(std::unique_ptr<sim::SimCard> card) {
  if (auto* board = dynamic_cast<sim::LineBoard*>(card.get())) board->SetHistoryLimit(sim::KeepEverything);
  Bus.AddCard(std::move(card));
  return Bus.CardCount() - 1;
}

std::string BoardTest::PortInitPrinting(std::int32_t boardNumber, const std::string& input) {
  ScriptedStdin stdinScript(input);
  CapturedStdout out;
  lineio::PortInit(boardNumber);
  return out.Take();
}

void BoardTest::CalibrationTakes(double milliseconds) {
  // Every round of the calibration takes its equal share.
  platform::OverrideClock([step = milliseconds / CalibrationRounds, now = 0.0]() mutable {
    const double reading = now;
    now += step;
    return reading;
  });
}

void BoardTest::KeyboardSubtypeIs(std::int32_t subtype) {
  platform::OverrideKeyboardSubtype([subtype] { return subtype; });
}

std::vector<std::string> BoardTest::TakeAccesses() {
  std::vector<std::string> lines;
  for (const sim::RegisterAccess& access : Driver.Trace()) lines.push_back(sim::FormatAccess(access));
  Driver.ClearTrace();
  return lines;
}

void BoardTest::ExpectNothingHeld() {
  EXPECT_EQ(Driver.OpenHandles(), 0);
  EXPECT_EQ(Driver.Registrations(), 0);
  EXPECT_EQ(LiveBoardHandles(), 0);
}

}  // namespace lineio::testing
