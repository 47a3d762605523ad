// A trace session: the deliverable's board model on a simulated bus, the
// simulated driver installed, a clock that makes the calibration give a
// DelayCount of 0, an Escape key the script controls, and every register
// access printed on standard output as it happens (through printf, the stream
// the library prints on, so the order is true). A word taken by a serial
// device is printed right after the register write that latched it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/line_board.h"
#include "sim/register_access.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"
#include "tools/vcd/bus_waveform.h"

namespace lineio::trace {

// A command that cannot run: its text says why.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TraceSession {
 public:
  explicit TraceSession(bool annotate = false, std::ostream* vcd = nullptr);
  ~TraceSession();
  TraceSession(const TraceSession&) = delete;
  TraceSession& operator=(const TraceSession&) = delete;

  // Runs one command given as its words. Throws ScriptError for an unknown
  // command, a wrong number of arguments or an argument out of range.
  void Execute(const std::vector<std::string>& words);

  // The accesses the board model could not decode: the text of the first
  // ones (sim::MaxKeptProtocolErrors), and the count of all.
  const std::vector<std::string>& ProtocolErrors() const;
  std::uint64_t ProtocolErrorCount() const;

  // Prints what an annotated run still holds and ends the waveform.
  void Finish();

 private:
  // A line held for its annotation: the text and the register's name ("" for
  // a device line).
  struct HeldLine {
    std::string Text;
    std::string Register;
  };
  void AnnotateAccess(const sim::RegisterAccess& access);
  void PrintHeldLines();
  std::string RegisterName(std::uint32_t offset) const;
  void TrackRegisters();
  void CallExport(const std::vector<std::string>& words);
  void SetInput(const std::vector<std::string>& words);
  void SetTick(const std::vector<std::string>& words);
  void SetEscape(const std::vector<std::string>& words);
  // Refuses a tick wait that nothing could ever end, or that has no open
  // board to wait on.
  void ExpectWaitCanEnd(const std::string& command) const;
  void PrintAccess(const sim::RegisterAccess& access);
  std::uint16_t EscapeSample();

  sim::SimBus bus_;
  sim::SimulatedDriver driver_{bus_};
  int boardIndex_ = -1;
  sim::LineBoard* board_ = nullptr;
  bool verbose_ = true;
  // Device loads of the access in progress, printed after its W line.
  std::vector<std::string> pendingLoads_;
  std::uint32_t tickEvery_ = 0;
  std::uint64_t escapeFrom_ = 0;  // the sample from which the key is down; 0: never
  std::uint64_t escapeSamples_ = 0;
  bool annotate_;
  std::string currentExport_;
  std::vector<HeldLine> held_;
  std::optional<std::uint16_t> heldPort_;
  std::unique_ptr<vcd::BusWaveform> waveform_;
  std::uint64_t simulatedTime_ = 0;
};

}  // namespace lineio::trace
