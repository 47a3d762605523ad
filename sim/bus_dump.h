// Bus descriptions in the format that `lspci -x` prints: for each card a line
// with its location ("bb:ss.f", optionally behind a "dddd:" domain, see
// pci_location.h) and a description, then its configuration space as lines of
// up to sixteen hexadecimal bytes, each line led by its offset ("00: 86 80 37
// 12 ..."), and a blank line. A real machine's dump can thus be replayed on the
// simulated bus. A card in a domain other than 0 keeps its domain in
// PciSlot.Bus; a dump written from it names the domain, one in domain 0 does
// not (as lspci without -D).
//
// A dump holds configuration bytes only, so a card made from one gets its
// resources from its header: a range for each base address register that holds
// an address, an interrupt when an interrupt pin and line are set, and a bus
// item with its location. The sizes of the ranges are not in the dump: each
// gets the alignment of its base, at most MaxDumpedIoLength or
// MaxDumpedMemoryLength bytes. A 64-bit memory range above 4 GiB cannot be
// described in the driver's 32-bit items and is left out.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "driver/records.h"
#include "sim/sim_bus.h"
#include "sim/sim_card.h"

namespace lineio::sim {

inline constexpr std::uint32_t MaxDumpedIoLength = 0x100;
inline constexpr std::uint32_t MaxDumpedMemoryLength = 0x1000;
// `lspci -x` shows the standard header: the first 64 bytes.
inline constexpr std::size_t DumpHeaderBytes = 64;
// `lspci -xxxx` shows the whole extended configuration space; the bytes past
// the first ConfigSpaceBytes are read and passed over.
inline constexpr std::uint32_t ExtendedConfigBytes = 4096;
// No line of a dump is longer; a longer one is refused.
inline constexpr std::size_t MaxDumpLineLength = 4096;

struct CardDump {
  PciSlot Slot{};
  std::string Description;
  std::vector<std::uint8_t> Config;  // from offset 0; at most ConfigSpaceBytes
};

// Parses a whole dump. Blank lines and lines that begin with '#' are passed
// over; bytes past the card's configuration space (but within the extended
// one) are ignored. Throws std::runtime_error naming the line when the input
// cannot be read or is not a dump: a line longer than MaxDumpLineLength, a
// location part that is not hexadecimal or out of its range, an offset or
// bytes past the extended configuration space, two cards at one location; and
// when a card lacks its identifiers.
std::vector<CardDump> ParseBusDump(std::istream& in);
// One card in the dump format, with the blank line that ends it.
std::string FormatCardDump(const CardDump& card);

// A card with the dumped configuration bytes and the resources they describe.
std::unique_ptr<SimCard> MakeCardFromDump(const CardDump& dump);
// Places every card of the dump at its location; gives the number of cards.
// Throws as ParseBusDump does, and std::invalid_argument when the bus already
// holds a card at one of the locations.
int LoadBusDump(SimBus& bus, std::istream& in);
// The card at a bus index, as `lspci -nx` shows it.
CardDump DumpBusCard(const SimBus& bus, int index);

}  // namespace lineio::sim
