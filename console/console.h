// The PCI diagnostic console: routines that list the cards on the bus with
// their resources and let a person read and change a card's configuration
// registers, through the kernel driver. Text goes to standard output, answers
// come from standard input. Each routine opens a driver handle of its own and
// closes it before it returns; none touches the open board or the process's
// driver link.
#pragma once

#include <cstdint>

#include "driver/records.h"
#include "platform/platform.h"

namespace lineio {

// Messages of the console.
inline constexpr char MsgInvalidItemType[] = "Invalid item type";
// Kept: "to big" is the console's own text; scripts that drive the console match it.
inline constexpr char MsgValueTooBig[] = "Error: value to big for register\n";

// Lists the resources that the driver reports for one card, one line each.
void PrintCardResources(std::uint32_t bus, std::uint32_t slot, std::uint32_t function);
// Lists every card on the bus with its resources, one card at a time, waiting
// for a line of input after each.
void ScanPciBus();
// The line with which the scan introduces a card: its place and identifiers.
void PrintCardLine(const PciSlot& slot, const PciId& id);

// A configuration register 1 to 4 bytes wide at any byte offset, on a handle
// that the caller holds. The read goes through the aligned double word that
// holds the register. A 1- or 2-byte register aligned to its width is written
// with one access of its own width, so that no other register is written; a
// wider or unaligned one through its double word, whose other bytes are put
// back as they were just read.
std::uint32_t ReadConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset,
                                 std::uint32_t width);
void WriteConfigRegister(platform::OsHandle driver, PciSlot slot, std::uint32_t offset, std::uint32_t width,
                         std::uint32_t value);

// The interactive editor of 21 registers of the card's configuration header.
void EditConfigRegisters(PciSlot slot);
// Asks for a vendor and a device identifier and lets the user pick one of the
// matching cards: 1 and `out` filled when a card was chosen, else 0 with `out`
// untouched.
std::uint32_t ChooseCard(PciSlot& out);

}  // namespace lineio
