// A simulated bus with the deliverable's own board on it, installed as the
// process's driver, with the process state as at load and a clock that makes
// the calibration give a DelayCount of 0 (so the busy waits make no pass).
// When the test ends, every board model on the bus must have decoded every
// access it saw (no protocol errors). The tests read the histories: the
// driver and every board model added here keep all of them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/default_bus.h"
#include "sim/line_board.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::testing {

// Puts the library's process-wide state back as it is when the library
// loads, and the operating-system services back to the real ones.
void ResetLibrary();

class BoardTest : public ::testing::Test {
 public:
  BoardTest();
  ~BoardTest() override;

  // Adds a card with this deliverable's identifiers (the deliverable's board
  // model); gives its bus index.
  int AddOwnBoard();
  // The board model that AddOwnBoard added last.
  sim::LineBoard& OwnBoard();
  // Adds a card and gives its bus index; a board model keeps its whole history.
  int AddCard(std::unique_ptr<sim::SimCard> card);
  // Runs PortInit with the given standard input; gives what it printed.
  std::string PortInitPrinting(std::int32_t boardNumber, const std::string& input = "");
  // The calibration measures this many milliseconds from now on.
  void CalibrationTakes(double milliseconds);
  // The keyboard reports this subtype from now on.
  void KeyboardSubtypeIs(std::int32_t subtype);
  // Nothing is left behind: no driver handle, registration or board record.
  void ExpectNothingHeld();
  // The register accesses since the last call, as "W 0314 04" lines.
  std::vector<std::string> TakeAccesses();

  sim::SimBus Bus;
  sim::SimulatedDriver Driver{Bus};

 private:
  // Every board model on the bus decoded every access it saw.
  void ExpectNoProtocolErrors();
  int ownBoard_ = -1;
};

}  // namespace lineio::testing
