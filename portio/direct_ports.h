// The handshake of the direct ports 0 to 15, which both boards share: the
// write is the same on both, the read differs only in how long the strobe is
// held and how long the board is given after the byte is read.
#pragma once

#include <cstdint>

namespace lineio {

void DirectPortWrite(std::uint8_t address, std::uint16_t value);

struct DirectReadTiming {
  int StrobeHold10us;      // Wait10us passes while the strobe is high
  void (*AfterRead)();     // the wait after the byte is read
};

std::uint8_t DirectPortRead(std::uint8_t address, const DirectReadTiming& timing);

}  // namespace lineio
