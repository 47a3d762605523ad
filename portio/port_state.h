// The process-wide state of the port I/O library: the register set of the
// internal-bus interface, the calibrated delay and the enable flag.
#pragma once

#include <cstdint>

namespace lineio {

struct RegisterSet {
  std::uint16_t DataReg;
  std::uint16_t AddrReg;
  std::uint16_t CtrlReg;
  std::uint16_t StatReg;
};

// Busy-loop passes that take 10 microseconds, until PortInit calibrates it.
inline constexpr std::int32_t InitialDelayCount = 300;
inline constexpr RegisterSet InitialRegisterSet{0x310, 0x312, 0x314, 0x316};

struct PortState {
  RegisterSet Registers = InitialRegisterSet;
  std::int32_t DelayCount = InitialDelayCount;
  // 0 until PortInit, 0xFFFF from then on; while set, every control byte of the
  // logical port protocol carries the enable bit.
  std::uint16_t EnableFlag = 0;
};

extern PortState PortLayer;

}  // namespace lineio
