// A trace session: the deliverable's board model on a simulated bus, the
// simulated driver installed, a clock that makes the calibration give a
// DelayCount of 0, and every register access printed on standard output as it
// happens (through printf, the stream the library prints on, so the order is
// true).
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "sim/line_board.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::trace {

// A command that cannot run: its text says why.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TraceSession {
 public:
  TraceSession();
  ~TraceSession();
  TraceSession(const TraceSession&) = delete;
  TraceSession& operator=(const TraceSession&) = delete;

  // Runs one command given as its words. Throws ScriptError for an unknown
  // command, a wrong number of arguments or an argument out of range.
  void Execute(const std::vector<std::string>& words);

  // The accesses the board model could not decode.
  const std::vector<std::string>& ProtocolErrors() const;

 private:
  void CallExport(const std::vector<std::string>& words);
  void SetInput(const std::vector<std::string>& words);

  sim::SimBus bus_;
  sim::SimulatedDriver driver_{bus_};
  sim::LineBoard* board_ = nullptr;
  bool verbose_ = true;
};

}  // namespace lineio::trace
