#include "platform/linux/transfers.h"

#include "driver/transfer_commands.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/linux/failure_lines.h"
#include "platform/linux/io_access.h"

namespace lineio::platform::linuxpci {

namespace {

// The span [address, address + span) inside [start, start + length)?
bool Contains(std::uintptr_t start, std::uintptr_t length, std::uintptr_t address, std::uintptr_t span) {
  return address >= start && address - start < length && span <= length - (address - start);
}

struct Landing {
  const HeldRange* Range;
  std::uint32_t Offset;
};

std::optional<Landing> Find(const HeldCard& card, const TransferKind& kind, std::uintptr_t address,
                            std::uintptr_t span) {
  for (const HeldRange& range : card.Ranges) {
    if (range.Io == kind.Memory) continue;
    // A mapped range by its mapping's address, any other by its base.
    const std::uintptr_t start =
        range.Mapping != nullptr ? reinterpret_cast<std::uintptr_t>(range.Mapping) : range.Base;
    if (Contains(start, range.Length, address, span)) {
      return Landing{&range, static_cast<std::uint32_t>(address - start)};
    }
  }
  return std::nullopt;
}

std::uint32_t LoadMapped(const HeldRange& range, std::uint32_t offset, int width) {
  auto* at = static_cast<volatile std::uint8_t*>(range.Mapping) + offset;
  switch (width) {
    case 1: return *at;
    case 2: return *reinterpret_cast<volatile std::uint16_t*>(at);
    default: return *reinterpret_cast<volatile std::uint32_t*>(at);
  }
}

void StoreMapped(const HeldRange& range, std::uint32_t offset, int width, std::uint32_t value) {
  auto* at = static_cast<volatile std::uint8_t*>(range.Mapping) + offset;
  switch (width) {
    case 1: *at = static_cast<std::uint8_t>(value); break;
    case 2: *reinterpret_cast<volatile std::uint16_t*>(at) = static_cast<std::uint16_t>(value); break;
    default: *reinterpret_cast<volatile std::uint32_t*>(at) = value; break;
  }
}

std::uint32_t LoadBuffer(const std::uint8_t* at, int width) {
  std::uint32_t value = 0;
  std::memcpy(&value, at, static_cast<std::size_t>(width));  // little-endian host
  return value;
}

void StoreBuffer(std::uint8_t* at, int width, std::uint32_t value) {
  std::memcpy(at, &value, static_cast<std::size_t>(width));
}

bool MoveUnit(const Landing& landing, const TransferKind& kind, std::uint32_t offset, std::uint32_t& value) {
  const HeldRange& range = *landing.Range;
  if (range.Mapping != nullptr) {
    if (kind.Write) {
      StoreMapped(range, offset, kind.Width, value);
    } else {
      value = LoadMapped(range, offset, kind.Width);
    }
    return true;
  }
  const bool moved = kind.Write ? WriteIoUnit(range.Fd, range.FileOffset, offset, kind.Width, value)
                                : ReadIoUnit(range.Fd, range.FileOffset, offset, kind.Width, value);
  if (!moved) {
    ReportFailure("%s %s of %d bytes at %s 0x%x failed: %s", range.Io ? "I/O" : "memory",
                  kind.Write ? "write" : "read", kind.Width, range.Io ? "port" : "address",
                  range.Base + offset,
                  errno == EPERM ? OpenFailureReason(errno).c_str() : std::strerror(errno));
  }
  return moved;
}

}  // namespace

TransferOutcome PerformTransfer(const HeldCard& card, const TransferCommand& command) {
  const std::optional<TransferKind> kind = DecodeTransferCommand(command.Command);
  if (!kind) return TransferOutcome::NotInCard;
  const auto width = static_cast<std::uint32_t>(kind->Width);
  std::uint32_t units = 1;
  if (kind->Block) {
    if (command.Data == 0 || command.ByteCount == 0 || command.ByteCount % width != 0) {
      return TransferOutcome::NotInCard;
    }
    units = command.ByteCount / width;
  }
  const std::uint32_t stride = kind->Block && command.AutoIncrement != 0 ? width : 0;
  const std::uintptr_t span = std::uintptr_t{units - 1} * stride + width;
  const std::optional<Landing> landing = Find(card, *kind, command.Address, span);
  if (!landing) return TransferOutcome::NotInCard;
  if (card.Released) return TransferOutcome::Refused;  // said once, when it was let go
  if (landing->Offset % width != 0) {
    ReportFailure("unaligned %u-byte access at 0x%jx refused: the kernel takes only aligned accesses", width,
                  static_cast<std::uintmax_t>(command.Address));
    return TransferOutcome::Refused;
  }
  auto* buffer = reinterpret_cast<std::uint8_t*>(command.Data);
  for (std::uint32_t unit = 0; unit < units; ++unit) {
    const std::uint32_t offset = landing->Offset + unit * stride;
    std::uint32_t value = 0;
    if (kind->Write)
      value = kind->Block ? LoadBuffer(buffer + unit * width, kind->Width)
                          : static_cast<std::uint32_t>(command.Data);
    if (!MoveUnit(*landing, *kind, offset, value)) return TransferOutcome::Refused;
    if (!kind->Write) StoreBuffer(buffer + unit * width, kind->Width, value);
  }
  return TransferOutcome::Done;
}

}  // namespace lineio::platform::linuxpci
