// What sets one board apart from the other. Both deliverables run the same
// code; each links the description of its own board (kestrel_ports.cpp or
// merlin_ports.cpp), which is chosen at link time, never at run time.
#pragma once

#include <cstdint>

namespace lineio {

// The read handshake of a direct port: how long the strobe is held, and the
// wait after the byte is read.
struct DirectReadTiming {
  int StrobeHold10us;   // Wait10us passes while the strobe is high
  void (*AfterRead)();  // the wait after the byte is read
};

struct BoardDescription {
  const char* Name;
  // The PCI identifiers that PortInit looks for.
  std::uint32_t Vendor;
  std::uint32_t Device;
  // Group ports are 16 g + i for groups g = 1 .. LastGroup, indices 0 to 5.
  std::uint16_t LastGroup;
  // OutputShadow slots in use: 16 direct ports and six per group.
  std::uint16_t ShadowEntries;
  // Every access starts with a control write and a 5 us wait, before the
  // port number is even checked; otherwise a rejected port touches nothing.
  bool ControlWriteBeforeCheck;
  // Group ports from this number on go to the second bank (CtrlBank set in
  // their control byte); 0 when the board has no second bank.
  std::uint16_t FirstSecondBankPort;
  // The wait after each control write of a group handshake.
  void (*GroupHold)();
  DirectReadTiming DirectRead;
};

// This deliverable's board.
const BoardDescription& ThisBoard();

}  // namespace lineio
