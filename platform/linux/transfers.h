// Transfer commands on the ranges of a registered card: I/O ranges through
// the I/O wrapper (one pread or pwrite per unit), memory ranges through their
// mapping (one volatile load or store per unit). Block commands move
// ByteCount / width units, single-value commands one 32-bit unit.
#pragma once

#include "driver/records.h"
#include "platform/linux/held_card.h"

namespace lineio::platform::linuxpci {

enum class TransferOutcome {
  NotInCard,  // no range of the card holds the command's addresses
  Done,
  Refused,  // in the card, but not a valid access (a line on standard error says why)
};

TransferOutcome PerformTransfer(const HeldCard& card, const TransferCommand& command);

}  // namespace lineio::platform::linuxpci
