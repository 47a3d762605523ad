#include "sim/interrupt_controller.h"

#include <utility>

namespace lineio::sim {

namespace {

// More commands than any caller sends at one interrupt: the list is refused.
constexpr std::uint32_t MaxInterruptCommands = 64;

// The line of the card's registration in force (the one not retired).
template <typename Lines>
auto LiveLineOf(Lines& lines, int card) -> decltype(&lines.begin()->second) {
  for (auto& [handle, line] : lines) {
    if (line.Card == card && !line.Retired) return &line;
  }
  return nullptr;
}

}  // namespace

void InterruptController::Attach(std::uint32_t interruptHandle, int card) {
  Line line;
  line.Card = card;
  lines_[interruptHandle] = std::move(line);
}

void InterruptController::Retire(std::uint32_t interruptHandle) {
  const auto found = lines_.find(interruptHandle);
  if (found == lines_.end()) return;
  Line& line = found->second;
  if (line.Enabled) {
    ++retiredWhileEnabled_;
    Stop(line);
  }
  line.Retired = true;
  if (line.Waiting == 0) lines_.erase(found);
}

InterruptController::Line* InterruptController::Find(std::uint32_t interruptHandle) {
  const auto found = lines_.find(interruptHandle);
  if (found == lines_.end() || found->second.Retired) return nullptr;
  return &found->second;
}

bool InterruptController::Enable(InterruptRecord& record) {
  record.EnableOk = 0;
  Line* line = Find(record.Handle);
  if (line == nullptr || line->Enabled) return false;
  if (record.CommandCount > MaxInterruptCommands) return false;
  if (record.CommandCount != 0 && record.Commands == nullptr) return false;
  line->Commands.assign(record.Commands, record.Commands + record.CommandCount);
  line->Enabled = true;
  line->Pending = false;
  record.EnableOk = 1;
  return true;
}

// The record is not written: the thread whose wait this releases reads it.
bool InterruptController::Disable(const InterruptRecord& record) {
  Line* line = Find(record.Handle);
  if (line == nullptr || !line->Enabled) return false;
  Stop(*line);
  return true;
}

void InterruptController::Stop(Line& line) {
  line.Enabled = false;
  line.Commands.clear();
  line.Pending = false;
  ++line.Stops;
  wake_.notify_all();
}

bool InterruptController::Wait(std::unique_lock<std::mutex>& held, InterruptRecord& record) {
  const std::uint32_t handle = record.Handle;
  Line* line = Find(handle);
  if (line == nullptr) {
    record.Stopped = 1;
    return false;
  }
  // The line stays in the map while a wait is counted in it.
  const std::uint64_t stopsAtStart = line->Stops;
  ++line->Waiting;
  wake_.wait(held,
             [line, stopsAtStart] { return !line->Enabled || line->Pending || line->Stops != stopsAtStart; });
  --line->Waiting;
  const bool stopped = !line->Enabled || line->Stops != stopsAtStart;
  if (!stopped) line->Pending = false;
  record.Count = line->Received;
  record.Lost = line->Lost;
  record.Stopped = stopped ? 1 : 0;
  if (line->Retired && line->Waiting == 0) lines_.erase(handle);
  return true;
}

int InterruptController::Raise(int card, int count,
                               const std::function<void(const TransferCommand&)>& perform) {
  Line* line = LiveLineOf(lines_, card);
  if (line == nullptr || !line->Enabled) return 0;
  for (int i = 0; i < count; ++i) {
    for (const TransferCommand& command : line->Commands) perform(command);
    ++line->Received;
    if (line->Pending) {
      ++line->Lost;
    } else {
      line->Pending = true;
    }
  }
  wake_.notify_all();
  return count < 0 ? 0 : count;
}

InterruptCounters InterruptController::Counters(int card) const {
  const Line* line = LiveLineOf(lines_, card);
  if (line == nullptr) return InterruptCounters{};
  return InterruptCounters{line->Enabled, line->Received, line->Lost, line->Waiting};
}

int InterruptController::PendingWaits() const {
  int waiting = 0;
  for (const auto& [handle, line] : lines_) waiting += line.Waiting;
  return waiting;
}

int InterruptController::RetiredWhileEnabled() const { return retiredWhileEnabled_; }

}  // namespace lineio::sim
