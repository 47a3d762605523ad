#include "portio/machine_kind.h"

#include "platform/platform.h"

namespace lineio {

namespace {
inline constexpr std::int32_t FirstPc98Subtype = 0x0D01;
inline constexpr std::int32_t LastPc98Subtype = 0x0D04;

// DataReg of each row; the other three registers follow 2 apart.
inline constexpr std::uint16_t AtDataRegs[] = {0x310, 0x318, 0x300, 0x308};
inline constexpr std::uint16_t Pc98DataRegs[] = {0xD0, 0xD8, 0xC0, 0xC8};
inline constexpr int LastRow = 3;
}  // namespace

bool IsPc98Family() {
  const std::int32_t subtype = platform::KeyboardSubtype();
  return subtype >= FirstPc98Subtype && subtype <= LastPc98Subtype;
}

RegisterSet RegisterSetFor(std::int32_t boardNumber, bool pc98Family) {
  const int row = boardNumber == 0 || boardNumber == 1 || boardNumber == 2 ? boardNumber : LastRow;
  const std::uint16_t data = (pc98Family ? Pc98DataRegs : AtDataRegs)[row];
  return RegisterSet{data, static_cast<std::uint16_t>(data + 2), static_cast<std::uint16_t>(data + 4),
                     static_cast<std::uint16_t>(data + 6)};
}

}  // namespace lineio
