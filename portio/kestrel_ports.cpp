// The Kestrel board (PCI 136c:a036): direct ports 0 to 15 and eight groups of
// six ports; groups 5 to 8 reuse the bus addresses of groups 1 to 4 on the
// second bank. Every access starts with a control write and a 5 us wait,
// before the port number is even checked. Each step of a group handshake is
// held for two 1 us waits; a direct read holds the strobe for 50 us.
#include "board/process_state.h"
#include "portio/board_description.h"
#include "portio/delay.h"

namespace lineio {

namespace {

void HoldGroupControl() {
  Wait1us();
  Wait1us();
}

constexpr BoardDescription Kestrel{
    .Name = "Kestrel",
    .Vendor = 0x136C,
    .Device = 0xA036,
    .LastGroup = 8,
    .ShadowEntries = 64,
    .ControlWriteBeforeCheck = true,
    .FirstSecondBankPort = 80,
    .GroupHold = HoldGroupControl,
    .DirectRead = {5, Wait10us},
};
static_assert(Kestrel.ShadowEntries <= MaxShadowEntries);

}  // namespace

const BoardDescription& ThisBoard() { return Kestrel; }

}  // namespace lineio
