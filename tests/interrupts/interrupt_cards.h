// Cards for the interrupt tests: an interrupt and one range at base address
// register 0 (or elsewhere), with a register at offset 0 that the driver's
// interrupt command clears.
#pragma once

#include <cstdint>
#include <memory>

#include "sim/sim_card.h"

namespace lineio::testing {

inline constexpr std::uint16_t InterruptCardVendor = 0x10EE;
inline constexpr std::uint16_t InterruptCardDevice = 0x7021;
inline constexpr std::uint32_t InterruptCardIoBase = 0xD000;
inline constexpr std::uint32_t InterruptCardMemoryBase = 0xF0000000;
inline constexpr std::uint32_t InterruptCardRangeLength = 0x100;
inline constexpr std::uint32_t InterruptCardLine = 9;

enum class RangeKind { Io, Memory };

inline std::unique_ptr<sim::SimCard> MakeInterruptCard(RangeKind kind, int bar = 0) {
  auto card = std::make_unique<sim::SimCard>(InterruptCardVendor, InterruptCardDevice);
  card->AddInterrupt(InterruptCardLine);
  if (kind == RangeKind::Io) {
    card->AddIoRange(bar, InterruptCardIoBase, InterruptCardRangeLength);
  } else {
    card->AddMemoryRange(bar, InterruptCardMemoryBase, InterruptCardRangeLength);
  }
  card->AddLocationItem();
  return card;
}

}  // namespace lineio::testing
