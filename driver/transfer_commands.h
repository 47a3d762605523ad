// What a transfer command asks for, as the drivers read it: memory or I/O,
// read or write, a block of units or one 32-bit value, and the width of a
// unit. The board layer writes the block commands; a driver (the simulated
// one, the Linux backend) reads every command back through here.
#pragma once

#include <cstdint>
#include <optional>

#include "driver/records.h"

namespace lineio {

struct TransferKind {
  bool Memory;
  bool Write;
  bool Block;  // a block of units from the caller's buffer, else one value
  int Width;   // bytes per unit
};

namespace detail {
// Block commands: the first I/O and memory codes; the three write codes
// follow the three read codes.
inline constexpr std::uint32_t WidthCodes = 3;
inline constexpr std::uint32_t BlockCodes = 2 * WidthCodes;
inline constexpr int SingleValueWidth = 4;
}  // namespace detail

// The block command that moves units of the width code (0, 1, 2: 8, 16, 32
// bits) in the direction (1 read, 0 write) in memory or I/O; 0 for a width
// code above 2.
constexpr std::uint32_t BlockTransferCommand(std::uint32_t readFlag, std::uint32_t widthCode, bool memory) {
  if (widthCode >= detail::WidthCodes) return 0;
  const std::uint32_t first = memory ? MemReadBytes : PortReadBytes;
  return first + (readFlag == 0 ? detail::WidthCodes : 0) + widthCode;
}

// The command's kind; nothing for a code that is no transfer command.
constexpr std::optional<TransferKind> DecodeTransferCommand(std::uint32_t command) {
  if (command == PortWriteDword) return TransferKind{false, true, false, detail::SingleValueWidth};
  if (command == MemWriteDword) return TransferKind{true, true, false, detail::SingleValueWidth};
  for (const std::uint32_t first : {PortReadBytes, MemReadBytes}) {
    if (command < first || command >= first + detail::BlockCodes) continue;
    const std::uint32_t step = command - first;
    return TransferKind{first == MemReadBytes, step >= detail::WidthCodes, true,
                        1 << (step % detail::WidthCodes)};
  }
  return std::nullopt;
}

// The record size that each request code carries; 0 for a code that is no
// request of the driver.
constexpr std::uint32_t RequestRecordSize(std::uint32_t code) {
  switch (code) {
    case ReqDriverVersion: return sizeof(VersionQuery);
    case ReqScanPciCards: return sizeof(PciScan);
    case ReqPciCardInfo: return sizeof(PciCardInfo);
    case ReqRegisterCard:
    case ReqUnregisterCard: return sizeof(CardRegistration);
    case ReqPciConfig: return sizeof(PciConfigAccess);
    case ReqTransfer: return sizeof(TransferCommand);
    case ReqEnableInterrupt:
    case ReqDisableInterrupt:
    case ReqWaitInterrupt: return sizeof(InterruptRecord);
    default: return 0;
  }
}

}  // namespace lineio
