#include "tools/trace/session.h"

#include <cinttypes>
#include <cstdio>
#include <string>

#include "platform/overrides.h"
#include "portio/board_description.h"
#include "portio/machine_kind.h"
#include "sim/default_bus.h"
#include "sim/trace_format.h"
#include "tools/trace/export_table.h"
#include "tools/trace/script.h"
#include "tracing/line_format.h"

namespace lineio::trace {

namespace {

// Each clock reading lies this far after the one before, so the calibration
// measures 40 s and gives a DelayCount of 0: the waits make no pass.
constexpr double ClockStepMs = 40000.0;
constexpr std::int64_t ByteMax = 0xFF;
constexpr std::int64_t PortMax = 0xFFFF;
constexpr std::int64_t CountMax = 0xFFFFFFFF;
constexpr std::uint16_t EscapeDown = 0x8000;

// "L <device> <value>": the value in hex, as many digits as the device's width
// needs.
std::string LoadLine(const sim::DeviceLoad& load) {
  char text[LineBytes];
  FormatLoadLine(text, sizeof text, load);
  return text;
}

// The bus index of the deliverable's own board.
int OwnBoardOn(sim::SimBus& bus) {
  for (int index = 0; index < bus.CardCount(); ++index) {
    auto* board = dynamic_cast<sim::LineBoard*>(&bus.Card(index));
    if (board != nullptr && board->Vendor() == ThisBoard().Vendor && board->Device() == ThisBoard().Device) {
      return index;
    }
  }
  throw std::logic_error("the default bus holds no board of this deliverable");
}

std::int64_t Argument(const std::vector<std::string>& words, std::size_t position, ArgumentRange range) {
  const std::optional<std::int64_t> value = ParseNumber(words[position]);
  if (!value) throw ScriptError("'" + Printable(words[position]) + "' is not a number");
  if (*value < range.Min || *value > range.Max) {
    throw ScriptError("argument " + std::to_string(position) + " of " + words[0] + ", " + words[position] +
                      ", is out of range (" + std::to_string(range.Min) + " to " + std::to_string(range.Max) +
                      ")");
  }
  return *value;
}

void ExpectArgumentCount(const std::vector<std::string>& words, std::size_t count) {
  if (words.size() - 1 == count) return;
  throw ScriptError(words[0] + " takes " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") +
                    ", not " + std::to_string(words.size() - 1));
}

// The session prints everything as it happens and reads no history back, so
// the driver and the boards keep none: memory stays the same however long the
// script runs.
void KeepNoHistory(sim::SimBus& bus, sim::SimulatedDriver& driver) {
  driver.SetHistoryLimit(0);
  for (int index = 0; index < bus.CardCount(); ++index) {
    if (auto* board = dynamic_cast<sim::LineBoard*>(&bus.Card(index))) board->SetHistoryLimit(0);
  }
}

}  // namespace

TraceSession::TraceSession(bool annotate, std::ostream* vcd) : annotate_(annotate) {
  sim::PopulateDefaultBus(bus_);
  KeepNoHistory(bus_, driver_);
  boardIndex_ = OwnBoardOn(bus_);
  board_ = &dynamic_cast<sim::LineBoard&>(bus_.Card(boardIndex_));
  platform::OverrideClock([now = 0.0]() mutable {
    const double reading = now;
    now += ClockStepMs;
    return reading;
  });
  platform::OverrideEscapeKey([this] { return EscapeSample(); });
  board_->SetLoadObserver([this](const sim::DeviceLoad& load) { pendingLoads_.push_back(LoadLine(load)); });
  if (vcd != nullptr) {
    waveform_ = std::make_unique<vcd::BusWaveform>(*vcd, WatchedRegisters{});
    TrackRegisters();
  }
  driver_.SetAccessObserver([this](const sim::RegisterAccess& access) { PrintAccess(access); });
  driver_.Install();
}

TraceSession::~TraceSession() {
  driver_.Uninstall();
  platform::ResetOverrides();
}

void TraceSession::Execute(const std::vector<std::string>& words) {
  if (words.empty()) return;
  const std::string& command = words[0];
  if (command == "quiet" || command == "verbose") {
    ExpectArgumentCount(words, 0);
    verbose_ = command == "verbose";
  } else if (command == "input") {
    SetInput(words);
  } else if (command == "tick") {
    SetTick(words);
  } else if (command == "escape") {
    SetEscape(words);
  } else {
    CallExport(words);
  }
}

const std::vector<std::string>& TraceSession::ProtocolErrors() const { return board_->ProtocolErrors(); }
std::uint64_t TraceSession::ProtocolErrorCount() const { return board_->ProtocolErrorCount(); }

void TraceSession::CallExport(const std::vector<std::string>& words) {
  const ExportEntry* entry = FindExport(words[0]);
  if (entry == nullptr) throw ScriptError("unknown command '" + Printable(words[0]) + "'");
  ExpectArgumentCount(words, entry->Arguments.size() + (entry->TakesPattern ? 1 : 0));
  std::vector<std::int64_t> args;
  for (std::size_t i = 0; i < entry->Arguments.size(); ++i)
    args.push_back(Argument(words, i + 1, entry->Arguments[i]));
  const std::string pattern = entry->TakesPattern ? words.back() : std::string();
  if (words[0] == "HdTimer" || words[0] == "Click") ExpectWaitCanEnd(words[0]);
  // The board answers at the register set that this PortInit selects.
  if (words[0] == "PortInit") {
    board_->SetRegisterBase(RegisterSetFor(static_cast<std::int32_t>(args[0]), IsPc98Family()).DataReg);
    TrackRegisters();
  }
  currentExport_ = words[0];
  const std::string result = entry->Call(args, pattern);
  PrintHeldLines();
  std::printf("= %s\n", result.c_str());
}

void TraceSession::SetInput(const std::vector<std::string>& words) {
  ExpectArgumentCount(words, 2);
  const auto port = static_cast<std::uint16_t>(Argument(words, 1, {0, PortMax}));
  const auto value = static_cast<std::uint8_t>(Argument(words, 2, {0, ByteMax}));
  if (!board_->LocationOf(port))
    throw ScriptError("the " + std::string(ThisBoard().Name) + " board has no port " + words[1]);
  board_->SetInput(port, value);
}

}  // namespace lineio::trace

namespace lineio::trace {

void TraceSession::SetTick(const std::vector<std::string>& words) {
  ExpectArgumentCount(words, 1);
  tickEvery_ = static_cast<std::uint32_t>(Argument(words, 1, {0, CountMax}));
  board_->SetTickEvery(tickEvery_);
}

void TraceSession::SetEscape(const std::vector<std::string>& words) {
  ExpectArgumentCount(words, 1);
  escapeFrom_ = static_cast<std::uint64_t>(Argument(words, 1, {0, CountMax}));
  escapeSamples_ = 0;
}

// A tick wait needs an open board: before PortInit, after PortEnd or after a
// PortInit that opened none, no tick can reach it.
void TraceSession::ExpectWaitCanEnd(const std::string& command) const {
  if (!driver_.IsRegistered(boardIndex_)) {
    throw ScriptError(command +
                      " needs an open board, and none is open (PortInit opens it, PortEnd closes it)");
  }
  if (tickEvery_ != 0 || escapeFrom_ != 0) return;
  throw ScriptError(command +
                    " would wait forever: the tick is stopped and Escape is never pressed (use tick <n> "
                    "or escape <n>)");
}

void TraceSession::PrintAccess(const sim::RegisterAccess& access) {
  if (waveform_) {
    waveform_->Access(simulatedTime_++, access.Direction == sim::AccessDirection::Write ? 'W' : 'R',
                      access.Offset, access.Width, access.Value);
  }
  if (annotate_) {
    AnnotateAccess(access);
    return;
  }
  if (verbose_) std::printf("%s\n", sim::FormatAccess(access).c_str());
  for (const std::string& line : pendingLoads_) std::printf("%s\n", line.c_str());
  pendingLoads_.clear();
}

std::uint16_t TraceSession::EscapeSample() {
  ++escapeSamples_;
  return escapeFrom_ != 0 && escapeSamples_ >= escapeFrom_ ? EscapeDown : 0;
}

// The waveform follows the register set that the board answers at.
void TraceSession::TrackRegisters() {
  if (!waveform_) return;
  const auto base = static_cast<std::uint16_t>(board_->RegisterBase());
  waveform_->SetRegisters({base, static_cast<std::uint16_t>(base + 2), static_cast<std::uint16_t>(base + 4),
                           static_cast<std::uint16_t>(base + 6)});
}

std::string TraceSession::RegisterName(std::uint32_t offset) const {
  static constexpr const char* Names[] = {"DataReg", "AddrReg", "CtrlReg", "StatReg"};
  const std::uint32_t base = board_->RegisterBase();
  if (offset < base || offset - base > 6 || (offset - base) % 2 != 0) return "other";
  return Names[(offset - base) / 2];
}

// A handshake's port is known at its first control byte that strobes or
// reads; it ends when AddrReg is cleared after that.
void TraceSession::AnnotateAccess(const sim::RegisterAccess& access) {
  const std::string name = RegisterName(access.Offset);
  if (verbose_) held_.push_back({sim::FormatAccess(access), name});
  for (const std::string& line : pendingLoads_) held_.push_back({line, ""});
  pendingLoads_.clear();
  if (access.Direction != sim::AccessDirection::Write || access.Width != 1) return;
  const auto value = static_cast<std::uint8_t>(access.Value);
  if (name == "CtrlReg" && !heldPort_ && (value & (CtrlStrobe | CtrlRead)) != 0) {
    const auto address =
        static_cast<std::uint8_t>(board_->IoRead(sim::LineBoard::RegisterBar, board_->RegisterBase() + 2, 1));
    if (const auto location = board_->Decode(value, address)) heldPort_ = board_->PortAt(*location);
  }
  if (name == "AddrReg" && value == 0 && heldPort_) PrintHeldLines();
}

void TraceSession::PrintHeldLines() {
  for (const HeldLine& line : held_) {
    std::string note = line.Register.empty() ? currentExport_ : line.Register + " " + currentExport_;
    if (heldPort_) note += " port " + std::to_string(*heldPort_);
    std::printf("%s  # %s\n", line.Text.c_str(), note.c_str());
  }
  held_.clear();
  heldPort_.reset();
}

void TraceSession::Finish() {
  PrintHeldLines();
  if (waveform_) waveform_->Finish(simulatedTime_);
}

}  // namespace lineio::trace
