// Serial loading of the board's devices through a logical output port: one bit
// carries the data, one the clock, the others are load bits, one per device.
#pragma once

#include <cstdint>

#include "portio/bus.h"

namespace lineio {

// The waits that pace the serial bus: 50 and 20 times DelayCount passes,
// never shorter than 500 and 200 microseconds.
void BitPhaseWait();
void BitHoldWait();

// Clocks out `count` bits of `data`, most significant first from bit 15, with
// four writes of the port per bit; the bits of `base` stay set throughout.
void SerialShiftOut(std::uint16_t port, std::uint16_t base, std::uint16_t data, std::uint16_t count);
// The closing sequence of a transfer: the load bit high for two phase waits.
void LoadPulse(std::uint16_t port, std::uint16_t base, std::uint16_t loadBit);
// Bits 6 and 7 of the line port as last written.
std::uint16_t LinePortBase();

// Passes spent in the two serial waits, counted only in the test build that
// defines LINEIO_COUNT_WAITS (the production loop is the same either way).
struct SerialWaitTally {
  std::int64_t PhaseWaits;
  std::int64_t HoldWaits;
  std::int64_t Passes;
};
SerialWaitTally& SerialWaitsForTesting();

}  // namespace lineio
