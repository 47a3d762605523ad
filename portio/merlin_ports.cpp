// The Merlin board (PCI 1172:1998): direct ports 0 to 15 and four groups of
// six ports, with no second bank for groups. The port number is checked
// first: a rejected port touches no register. Group handshakes are held 5 us
// per step, and a direct read holds the strobe for 10 us; there is no 1 us
// wait.
#include "board/process_state.h"
#include "portio/board_description.h"
#include "portio/delay.h"

namespace lineio {

namespace {

constexpr BoardDescription Merlin{
    .Name = "Merlin",
    .Vendor = 0x1172,
    .Device = 0x1998,
    .LastGroup = 4,
    .ShadowEntries = 40,
    .ControlWriteBeforeCheck = false,
    .FirstSecondBankPort = 0,
    .GroupHold = Wait5us,
    .DirectRead = {1, Wait5us},
};
static_assert(Merlin.ShadowEntries <= MaxShadowEntries);

}  // namespace

const BoardDescription& ThisBoard() { return Merlin; }

}  // namespace lineio
