// Start-up, shutdown and the probes, as the exports of the same names give them.
#pragma once

#include <cstdint>

namespace lineio {

inline constexpr std::uint16_t EnableFlagSet = 0xFFFF;
inline constexpr std::int32_t Pc98Answer = 0xFFFF;

std::int32_t PortInit(std::int32_t boardNumber);
std::int32_t PortEnd();
std::int32_t CheckPCtype();
std::uint16_t Test();
std::uint16_t Test2(std::uint8_t* buffer);

}  // namespace lineio
