// A session on a simulated board whose only range is memory or I/O: the
// library opened on it (PortInit), closed again at the end. The memory range
// is a plain store or load per access, the cheapest a register can be; the
// I/O range one request to the in-process simulated driver per access.
#pragma once

#include <cstdio>
#include <memory>

#include "lineio.h"
#include "portio/board_description.h"
#include "sim/sim_bus.h"
#include "sim/sim_card.h"
#include "sim/simulated_driver.h"

namespace lineio::bench {

enum class Range { Memory, Io };

class RangeSession {
 public:
  explicit RangeSession(Range range) {
    auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                               static_cast<std::uint16_t>(ThisBoard().Device));
    if (range == Range::Memory) {
      card->AddMemoryRange(0, MemoryBase, MemoryBytes);
    } else {
      card->AddIoRange(0, IoBase, IoBytes);
    }
    bus_.AddCard(std::move(card));
    driver_.SetHistoryLimit(0);
    driver_.Install();
    std::fclose(stdin);  // no dialogue: one card opens silently
    PortInit(0);
  }
  ~RangeSession() {
    PortEnd();
    driver_.Uninstall();
  }
  RangeSession(const RangeSession&) = delete;
  RangeSession& operator=(const RangeSession&) = delete;

 private:
  static constexpr std::uint32_t MemoryBase = 0xE8000000;
  static constexpr std::uint32_t IoBase = 0xC000;
  static constexpr std::uint32_t MemoryBytes = 0x1000;
  static constexpr std::uint32_t IoBytes = 0x400;

  sim::SimBus bus_;
  sim::SimulatedDriver driver_{bus_};
};

}  // namespace lineio::bench
