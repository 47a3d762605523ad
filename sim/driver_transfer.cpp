// Transfers: block and single-value commands that move data between a caller's
// buffer and a card's I/O registers or memory, each unit recorded in the trace.
#include <cstring>

#include "driver/transfer_commands.h"
#include "sim/simulated_driver.h"

namespace lineio::sim {

namespace {

std::uint32_t Load(const std::uint8_t* at, int width) {
  switch (width) {
    case 1: return *at;
    case 2: {
      std::uint16_t value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
    default: {
      std::uint32_t value;
      std::memcpy(&value, at, sizeof value);
      return value;
    }
  }
}

void Store(std::uint8_t* at, int width, std::uint32_t value) {
  switch (width) {
    case 1: *at = static_cast<std::uint8_t>(value); break;
    case 2: {
      const auto unit = static_cast<std::uint16_t>(value);
      std::memcpy(at, &unit, sizeof unit);
      break;
    }
    default: std::memcpy(at, &value, sizeof value); break;
  }
}

bool Contains(std::uintptr_t start, std::uintptr_t length, std::uintptr_t address, std::uintptr_t span) {
  return address >= start && address - start <= length && span <= length - (address - start);
}

}  // namespace

bool SimulatedDriver::Transfer(TransferCommand& command) { return Perform(command); }

bool SimulatedDriver::Perform(const TransferCommand& command) {
  const std::optional<TransferKind> kind = DecodeTransferCommand(command.Command);
  if (!kind) return false;
  const auto width = static_cast<std::uint32_t>(kind->Width);
  std::uint32_t units = 1;
  if (kind->Block) {
    if (command.Data == 0 || command.ByteCount == 0 || command.ByteCount % width != 0) return false;
    units = command.ByteCount / width;
  }
  const std::uint32_t stride = kind->Block && command.AutoIncrement != 0 ? width : 0;
  const std::uintptr_t span = std::uintptr_t{units - 1} * stride + width;
  const std::optional<RangeHit> hit =
      kind->Memory ? FindMemoryRange(command.Address, span) : FindIoRange(command.Address, span);
  if (!hit) return false;

  SimCard& card = bus_.Card(hit->Card);
  auto* buffer = reinterpret_cast<std::uint8_t*>(command.Data);
  std::uint8_t* memory = kind->Memory ? card.MemoryOf(hit->Bar) : nullptr;
  for (std::uint32_t unit = 0; unit < units; ++unit) {
    const std::uint32_t offset = hit->Offset + unit * stride;
    std::uint32_t value = 0;
    if (kind->Write) {
      value =
          kind->Block ? Load(buffer + unit * width, kind->Width) : static_cast<std::uint32_t>(command.Data);
      if (memory != nullptr) {
        Store(memory + offset, kind->Width, value);
      } else {
        card.IoWrite(hit->Bar, offset, kind->Width, value);
      }
    } else {
      value =
          memory != nullptr ? Load(memory + offset, kind->Width) : card.IoRead(hit->Bar, offset, kind->Width);
      Store(buffer + unit * width, kind->Width, value);
    }
    const RegisterAccess access{kind->Write ? AccessDirection::Write : AccessDirection::Read,
                                static_cast<std::uint8_t>(width),
                                hit->Card,
                                hit->Bar,
                                offset,
                                value};
    trace_.Push(access);
    if (observer_) observer_(access);
  }
  return true;
}

std::optional<SimulatedDriver::RangeHit> SimulatedDriver::FindIoRange(std::uintptr_t address,
                                                                      std::uintptr_t span) const {
  for (int index = 0; index < bus_.CardCount(); ++index) {
    const SimCard& card = bus_.Card(index);
    for (int bar = 0; bar <= ExpansionRomBar; ++bar) {
      if (!card.IsIoRange(bar)) continue;
      if (!Contains(card.RangeBase(bar), card.RangeLength(bar), address, span)) continue;
      return RangeHit{index, bar, static_cast<std::uint32_t>(address - card.RangeBase(bar))};
    }
  }
  return std::nullopt;
}

std::optional<SimulatedDriver::RangeHit> SimulatedDriver::FindMemoryRange(std::uintptr_t address,
                                                                          std::uintptr_t span) {
  for (int index = 0; index < bus_.CardCount(); ++index) {
    const SimCard& card = bus_.Card(index);
    for (int bar = 0; bar <= ExpansionRomBar; ++bar) {
      const std::uintptr_t start = card.MemoryAddressOf(bar);
      if (start == 0 || !Contains(start, card.RangeLength(bar), address, span)) continue;
      return RangeHit{index, bar, static_cast<std::uint32_t>(address - start)};
    }
  }
  return std::nullopt;
}

}  // namespace lineio::sim
