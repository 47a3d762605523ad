// The handshakes of the internal bus, which both boards share in shape.
// Direct ports 0 to 15: the write is the same on both boards, the read differs
// only in how long the strobe is held and how long the board is given after the
// byte is read. Group ports: the control byte and how long each step is held
// are each board's own.
#pragma once

#include <cstdint>

#include "portio/board_description.h"

namespace lineio {

void DirectPortWrite(std::uint8_t address, std::uint16_t value);

std::uint8_t DirectPortRead(std::uint8_t address, const DirectReadTiming& timing);

// `control` is the control byte of the access (without strobe or read bit);
// `hold` runs after each control write of the handshake.
void GroupPortWrite(std::uint8_t address, std::uint16_t value, std::uint8_t control, void (*hold)());
std::uint8_t GroupPortRead(std::uint8_t address, std::uint8_t control, void (*hold)());

}  // namespace lineio
