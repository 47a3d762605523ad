// The bus that tools and tests start from: one Kestrel board, one Merlin board
// and two ordinary cards that the boards' scans must pass over.
#pragma once

#include <cstdint>
#include <memory>

#include "sim/kestrel_board.h"
#include "sim/merlin_board.h"
#include "sim/sim_bus.h"
#include "sim/sim_card.h"

namespace lineio::sim {

// A line-test board with its resources (AddBoardResources).
std::unique_ptr<KestrelBoard> MakeKestrelBoard(std::uint32_t ioBase = BoardIoBase,
                                               std::uint32_t interruptLine = BoardInterruptLine);
std::unique_ptr<MerlinBoard> MakeMerlinBoard(std::uint32_t ioBase = BoardIoBase,
                                             std::uint32_t interruptLine = BoardInterruptLine);
// The same resources on a card with any identifiers: the Kestrel or Merlin
// board model for their identifiers, a card with a plain register file for
// any others.
std::unique_ptr<SimCard> MakeBoardCard(std::uint16_t vendor, std::uint16_t device,
                                       std::uint32_t ioBase = BoardIoBase,
                                       std::uint32_t interruptLine = BoardInterruptLine);

// Where PopulateDefaultBus put each card (indices on the bus).
struct DefaultBusCards {
  int Network;
  int Kestrel;
  int Bridge;
  int Merlin;
};

// Adds, in this order: a network card (memory range and interrupt), a Kestrel
// board at BoardIoBase, a bridge-like card (an I/O range) and a Merlin board at
// BoardIoBase + BoardIoLength.
DefaultBusCards PopulateDefaultBus(SimBus& bus);

}  // namespace lineio::sim
