// Interrupts of registered cards: enabling records the command list that the
// driver performs at each interrupt; a test raises interrupts; a wait blocks on
// a condition variable, with the request lock released, until an interrupt is
// pending or the interrupt is disabled.
//
// Counting: each interrupt raised while the interrupt is enabled is received.
// A wait takes the one pending interrupt; an interrupt that arrives while the
// previous one is still pending is counted as lost. Interrupts raised while the
// interrupt is not enabled are masked: neither received nor lost. The counts
// belong to the registration and are not reset by a new enable.
#include "sim/simulated_driver.h"

#include <utility>

namespace lineio::sim {

namespace {

// More commands than any caller sends at one interrupt: the list is refused.
constexpr std::uint32_t MaxInterruptCommands = 64;

}  // namespace

// The interrupt of a registration in force, created at its first use. Only a
// card that has an interrupt has one.
SimulatedDriver::InterruptLine* SimulatedDriver::FindInterruptLine(std::uint32_t interruptHandle) {
  if (interruptHandle == 0) return nullptr;
  const auto known = interrupts_.find(interruptHandle);
  if (known != interrupts_.end()) return known->second.retired ? nullptr : &known->second;
  for (const auto& [cardHandle, registration] : registrations_) {
    if (registration.interruptHandle != interruptHandle) continue;
    if (bus_.Card(registration.card).InterruptLine() < 0) return nullptr;
    InterruptLine line;
    line.card = registration.card;
    return &interrupts_.emplace(interruptHandle, std::move(line)).first->second;
  }
  return nullptr;
}

std::uint32_t SimulatedDriver::InterruptHandleOfCard(int card) const {
  for (const auto& [cardHandle, registration] : registrations_) {
    if (registration.card == card) return registration.interruptHandle;
  }
  return 0;
}

std::uint32_t SimulatedDriver::InterruptHandleOf(std::uint32_t cardHandle) const {
  const auto registration = registrations_.find(cardHandle);
  return registration == registrations_.end() ? 0 : registration->second.interruptHandle;
}

bool SimulatedDriver::EnableInterrupt(InterruptRecord& record) {
  record.EnableOk = 0;
  InterruptLine* line = FindInterruptLine(record.Handle);
  if (line == nullptr || line->enabled) return false;
  if (record.CommandCount > MaxInterruptCommands) return false;
  if (record.CommandCount != 0 && record.Commands == nullptr) return false;
  line->commands.assign(record.Commands, record.Commands + record.CommandCount);
  line->enabled = true;
  line->pending = false;
  record.EnableOk = 1;
  return true;
}

// The record is not written: the thread whose wait this releases reads it.
bool SimulatedDriver::DisableInterrupt(InterruptRecord& record) {
  InterruptLine* line = FindInterruptLine(record.Handle);
  if (line == nullptr || !line->enabled) return false;
  Disable(*line);
  return true;
}

void SimulatedDriver::Disable(InterruptLine& line) {
  line.enabled = false;
  line.commands.clear();
  line.pending = false;
  ++line.stops;
  interruptWake_.notify_all();
}

bool SimulatedDriver::WaitInterrupt(std::unique_lock<std::mutex>& held, InterruptRecord& record) {
  const std::uint32_t handle = record.Handle;
  InterruptLine* line = FindInterruptLine(handle);
  if (line == nullptr) {
    record.Stopped = 1;
    return false;
  }
  // The line stays in the map while a wait is counted in it.
  const std::uint64_t stopsAtStart = line->stops;
  ++line->waiting;
  interruptWake_.wait(
      held, [line, stopsAtStart] { return !line->enabled || line->pending || line->stops != stopsAtStart; });
  --line->waiting;
  const bool stopped = !line->enabled || line->stops != stopsAtStart;
  if (!stopped) line->pending = false;
  record.Count = line->received;
  record.Lost = line->lost;
  record.Stopped = stopped ? 1 : 0;
  if (line->retired && line->waiting == 0) interrupts_.erase(handle);
  return true;
}

void SimulatedDriver::RetireInterrupt(std::uint32_t interruptHandle) {
  const auto found = interrupts_.find(interruptHandle);
  if (found == interrupts_.end()) return;
  InterruptLine& line = found->second;
  if (line.enabled) {
    ++unregisteredWithInterruptEnabled_;
    Disable(line);
  }
  line.retired = true;
  if (line.waiting == 0) interrupts_.erase(found);
}

int SimulatedDriver::RaiseInterrupt(int card, int count) {
  std::lock_guard guard(lock_);
  const auto found = interrupts_.find(InterruptHandleOfCard(card));
  if (found == interrupts_.end() || !found->second.enabled) return 0;
  InterruptLine* line = &found->second;
  for (int i = 0; i < count; ++i) {
    for (const TransferCommand& command : line->commands) Perform(command);
    ++line->received;
    if (line->pending) {
      ++line->lost;
    } else {
      line->pending = true;
    }
  }
  interruptWake_.notify_all();
  return count < 0 ? 0 : count;
}

SimulatedDriver::InterruptCounters SimulatedDriver::Interrupts(int card) const {
  std::lock_guard guard(lock_);
  const auto found = interrupts_.find(InterruptHandleOfCard(card));
  if (found == interrupts_.end()) return InterruptCounters{};
  const InterruptLine& line = found->second;
  return InterruptCounters{line.enabled, line.received, line.lost, line.waiting};
}

int SimulatedDriver::PendingWaits() const {
  std::lock_guard guard(lock_);
  int waiting = 0;
  for (const auto& [handle, line] : interrupts_) waiting += line.waiting;
  return waiting;
}

int SimulatedDriver::UnregisteredWithInterruptEnabled() const {
  std::lock_guard guard(lock_);
  return unregisteredWithInterruptEnabled_;
}

std::vector<std::uint32_t> SimulatedDriver::LifecycleLog() const {
  std::lock_guard guard(lock_);
  return lifecycle_;
}

}  // namespace lineio::sim
