// Every example of the bus analyser (tests/trace/<board>/*.script) replayed
// twice: once on the simulated driver, as the analyser runs it, and once
// through the Linux backend on a fake tree, where each register access is a
// pread or pwrite of the fake `resource0` file. Behind that file sits a board
// model of its own: before each read it puts the register's value into the
// file, after each write it takes what landed there. Both runs must give the
// same register accesses, the same results and the same device loads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lineio.h"
#include "platform/linux/io_access.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "portio/machine_kind.h"
#include "sim/default_bus.h"
#include "sim/trace_format.h"
#include "tests/linux/backend_fixture.h"
#include "tests/support/console.h"
#include "tools/trace/export_table.h"
#include "tools/trace/script.h"

namespace lineio::testing {
namespace {

namespace fs = std::filesystem;
using sim::AccessDirection;
using sim::LineBoard;
using sim::RegisterAccess;

constexpr double ClockStepMs = 40000.0;  // the calibration then gives DelayCount 0
constexpr char Board[] = "0000:03:00.0";

// What one run shows: register accesses, results, device loads, printed text
// and what the board model could not decode.
struct Replay {
  std::vector<std::string> Accesses;
  std::vector<std::string> Results;
  std::vector<std::string> Loads;
  std::string Printed;
  std::vector<std::string> ProtocolErrors;
};

std::string LoadText(const sim::DeviceLoad& load) {
  char text[48];
  std::snprintf(text, sizeof text, "L %s %" PRIx64, sim::DeviceName(load.Device), load.Value);
  return text;
}

// Runs a script's lines as the analyser does, up to the first line that it
// would refuse, with the board model `model` standing for the hardware.
class ScriptRunner {
 public:
  ScriptRunner(LineBoard& model, Replay& replay) : model_(model), replay_(replay) {
    platform::OverrideClock([now = 0.0]() mutable { return now += ClockStepMs; });
    platform::OverrideEscapeKey([this] {
      ++escapeSamples_;
      return static_cast<std::uint16_t>(escapeFrom_ != 0 && escapeSamples_ >= escapeFrom_ ? 0x8000 : 0);
    });
    model_.SetLoadObserver([this](const sim::DeviceLoad& load) { replay_.Loads.push_back(LoadText(load)); });
  }

  void Run(const std::string& path) {
    std::ifstream script(path);
    for (std::string line; std::getline(script, line);) {
      if (!Execute(trace::SplitCommand(line))) return;
    }
  }

 private:
  bool Execute(const std::vector<std::string>& words) {
    if (words.empty() || words[0] == "quiet" || words[0] == "verbose") return true;
    std::vector<std::int64_t> numbers;
    for (std::size_t i = 1; i < words.size(); ++i) {
      const auto number = trace::ParseNumber(words[i]);
      if (number) numbers.push_back(*number);
    }
    if (words[0] == "input") {
      if (numbers.size() != 2 || !model_.LocationOf(static_cast<std::uint16_t>(numbers[0]))) return false;
      model_.SetInput(static_cast<std::uint16_t>(numbers[0]), static_cast<std::uint8_t>(numbers[1]));
      return true;
    }
    if (words[0] == "tick" || words[0] == "escape") {
      if (numbers.size() != 1) return false;
      if (words[0] == "tick") {
        tickEvery_ = static_cast<std::uint32_t>(numbers[0]);
        model_.SetTickEvery(tickEvery_);
      } else {
        escapeFrom_ = static_cast<std::uint64_t>(numbers[0]);
        escapeSamples_ = 0;
      }
      return true;
    }
    return Call(words);
  }

  bool Call(const std::vector<std::string>& words) {
    const trace::ExportEntry* entry = trace::FindExport(words[0]);
    const std::size_t wanted = entry == nullptr ? 0 : entry->Arguments.size() + (entry->TakesPattern ? 1 : 0);
    if (entry == nullptr || words.size() - 1 != wanted) return false;
    std::vector<std::int64_t> args;
    for (std::size_t i = 0; i < entry->Arguments.size(); ++i) {
      const auto value = trace::ParseNumber(words[i + 1]);
      if (!value || *value < entry->Arguments[i].Min || *value > entry->Arguments[i].Max) return false;
      args.push_back(*value);
    }
    const bool waits = words[0] == "HdTimer" || words[0] == "Click";
    if (waits && tickEvery_ == 0 && escapeFrom_ == 0) return false;  // would wait for ever
    if (words[0] == "PortInit") {
      model_.SetRegisterBase(RegisterSetFor(static_cast<std::int32_t>(args[0]), IsPc98Family()).DataReg);
    }
    replay_.Results.push_back(entry->Call(args, entry->TakesPattern ? words.back() : std::string()));
    return true;
  }

  LineBoard& model_;
  Replay& replay_;
  std::uint32_t tickEvery_ = 0;
  std::uint64_t escapeFrom_ = 0;
  std::uint64_t escapeSamples_ = 0;
};

std::string AccessText(AccessDirection direction, int width, std::uint32_t offset, std::uint32_t value) {
  return sim::FormatAccess(RegisterAccess{direction, static_cast<std::uint8_t>(width), 0, 0, offset, value});
}

// The board model behind the fake I/O file.
class ModelBehindFile : public platform::linuxpci::IoObserver {
 public:
  ModelBehindFile(LineBoard& model, FakeTree& tree, Replay& replay)
      : model_(model), tree_(tree), file_(tree.RangeFile(Board, 0)), replay_(replay) {
    platform::linuxpci::SetIoObserver(this);
  }
  ~ModelBehindFile() override { platform::linuxpci::SetIoObserver(nullptr); }

  void BeforeRead(int, std::uint32_t offset, int width) override {
    const std::uint32_t value = model_.IoRead(LineBoard::RegisterBar, offset, width);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    tree_.WriteBytes(file_, offset, bytes);
  }
  void AfterRead(int, std::uint32_t offset, int width, std::uint32_t value) override {
    replay_.Accesses.push_back(AccessText(AccessDirection::Read, width, offset, value));
  }
  void AfterWrite(int, std::uint32_t offset, int width, std::uint32_t) override {
    const std::vector<std::uint8_t> bytes = tree_.ReadBytes(file_, offset, static_cast<std::size_t>(width));
    std::uint32_t landed = 0;
    for (int i = 0; i < width; ++i) landed |= std::uint32_t{bytes[static_cast<std::size_t>(i)]} << (8 * i);
    model_.IoWrite(LineBoard::RegisterBar, offset, width, landed);
    replay_.Accesses.push_back(AccessText(AccessDirection::Write, width, offset, landed));
  }

 private:
  LineBoard& model_;
  FakeTree& tree_;
  std::string file_;
  Replay& replay_;
};

Replay OnTheSimulator(const std::string& script) {
  Replay replay;
  ResetProcessState();
  sim::SimBus bus;
  sim::PopulateDefaultBus(bus);
  int own = -1;
  for (int index = 0; index < bus.CardCount(); ++index) {
    if (bus.Card(index).Vendor() == ThisBoard().Vendor && bus.Card(index).Device() == ThisBoard().Device)
      own = index;
  }
  auto& model = dynamic_cast<LineBoard&>(bus.Card(own));
  sim::SimulatedDriver driver(bus);
  driver.SetAccessObserver([&replay, own](const RegisterAccess& access) {
    if (access.Card == own) {
      replay.Accesses.push_back(AccessText(access.Direction, access.Width, access.Offset, access.Value));
    }
  });
  driver.Install();
  {
    CapturedStdout out;
    ScriptRunner(model, replay).Run(script);
    replay.Printed = out.Take();
  }
  if (processState.Board.DriverLink != platform::InvalidOsHandle) ::PortEnd();
  replay.ProtocolErrors = model.ProtocolErrors();
  ResetProcessState();
  return replay;
}

Replay ThroughTheBackend(const std::string& script) {
  Replay replay;
  ResetProcessState();
  FakeTree tree;
  FakeFunction function = IoBoard(ThisBoard().Vendor, ThisBoard().Device);
  function.Bars = {FakeRange{true, sim::BoardIoBase, sim::BoardIoLength}};
  tree.Add(function);
  tree.Add(IoBoard(0x8086, 0x100E, "0000:00:03.0"));  // another card the scan passes over
  std::unique_ptr<sim::SimCard> card = sim::MakeBoardCard(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                                          static_cast<std::uint16_t>(ThisBoard().Device));
  auto& model = dynamic_cast<LineBoard&>(*card);
  platform::linuxpci::LinuxPciService service(tree.Roots());
  platform::InstallDriverService(&service);
  {
    ModelBehindFile behind(model, tree, replay);
    CapturedStdout out;
    ScriptRunner(model, replay).Run(script);
    replay.Printed = out.Take();
  }
  if (processState.Board.DriverLink != platform::InvalidOsHandle) ::PortEnd();
  replay.ProtocolErrors = model.ProtocolErrors();
  ResetProcessState();
  return replay;
}

std::vector<std::string> Scripts() {
  std::string board = ThisBoard().Name;
  std::transform(board.begin(), board.end(), board.begin(), [](unsigned char c) { return std::tolower(c); });
  std::vector<std::string> scripts;
  for (const auto& entry : fs::directory_iterator(std::string(LINEIO_TRACE_EXAMPLES) + "/" + board)) {
    if (entry.path().extension() == ".script") scripts.push_back(entry.path().string());
  }
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}

TEST(LinuxTraceReplayTest, TheAnalysersExamplesDriveTheFakeFileAsTheyDriveTheSimulatedBoard) {
  const std::vector<std::string> scripts = Scripts();
  ASSERT_GE(scripts.size(), 10u);
  std::size_t replayedAccesses = 0;
  for (const std::string& script : scripts) {
    SCOPED_TRACE(fs::path(script).filename().string());
    const Replay simulated = OnTheSimulator(script);
    const Replay backend = ThroughTheBackend(script);
    EXPECT_EQ(backend.Accesses, simulated.Accesses);
    EXPECT_EQ(backend.Results, simulated.Results);
    EXPECT_EQ(backend.Loads, simulated.Loads);
    EXPECT_EQ(backend.Printed, simulated.Printed);
    EXPECT_EQ(backend.ProtocolErrors, simulated.ProtocolErrors);
    replayedAccesses += backend.Accesses.size();
  }
  EXPECT_GT(replayedAccesses, 1000u);
}

}  // namespace
}  // namespace lineio::testing
