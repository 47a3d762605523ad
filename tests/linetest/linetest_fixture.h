// The deliverable's own board, opened with PortInit (DelayCount 0, so the
// serial waits make no pass), with the board's history cleared afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/line_board.h"
#include "sim/serial_devices.h"
#include "tests/support/board_fixture.h"

namespace lineio::testing {

class LineTestBoard : public BoardTest {
 protected:
  void SetUp() override {
    AddOwnBoard();
    PortInitPrinting(0);
    OwnBoard().ClearHistory();
    TakeAccesses();
  }

  // The bytes latched into one port since the history was last cleared.
  std::vector<std::uint8_t> LatchesOf(std::uint16_t port) {
    std::vector<std::uint8_t> values;
    for (const sim::LatchedOutput& latch : OwnBoard().LatchHistory()) {
      if (latch.Port == port) values.push_back(latch.Value);
    }
    return values;
  }

  const sim::DeviceRecord& Device(sim::DeviceId device) { return OwnBoard().Device(device); }

  // The bits a port's devices sampled at rising clock edges since the history
  // was last cleared.
  std::vector<std::uint8_t> SampledBits(std::uint16_t port) {
    return OwnBoard().SerialDevices(port).SampledBits();
  }

  std::uint64_t UnstableEdges(std::uint16_t port) { return OwnBoard().SerialDevices(port).UnstableEdges(); }
};

// The bits of `value` from bit `count` - 1 down to bit 0, as the line carries
// a word most significant bit first.
inline std::vector<std::uint8_t> BitsMsbFirst(std::uint64_t value, int count) {
  std::vector<std::uint8_t> bits;
  for (int bit = count - 1; bit >= 0; --bit) bits.push_back(static_cast<std::uint8_t>((value >> bit) & 1U));
  return bits;
}

}  // namespace lineio::testing
