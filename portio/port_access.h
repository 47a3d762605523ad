// Register writes and reads of the logical port protocol, at the offsets of the
// current register set, and the control byte parts that depend on the state.
#pragma once

#include <cstdint>

#include "board/board.h"
#include "board/process_state.h"
#include "portio/bus.h"

namespace lineio {

inline void WriteDataReg(std::uint16_t value) {
  RawWriteByte(processState.Ports.Registers.DataReg, static_cast<std::uint8_t>(value));
}
inline void WriteAddrReg(std::uint8_t address) {
  RawWriteByte(processState.Ports.Registers.AddrReg, address);
}
inline void WriteCtrlReg(std::uint8_t control) {
  RawWriteByte(processState.Ports.Registers.CtrlReg, control);
}
inline std::uint8_t ReadDataReg() { return RawReadByte(processState.Ports.Registers.DataReg); }

// E: the enable bit while EnableFlag is set.
inline std::uint8_t EnableBit() { return processState.Ports.EnableFlag != 0 ? CtrlEnable : 0; }

}  // namespace lineio
