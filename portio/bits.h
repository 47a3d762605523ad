// Bit and block operations on logical ports, the same on both boards: the
// output side works from the remembered values, the input side over the bus.
#pragma once

#include <cstdint>

namespace lineio {

std::int32_t BitOn(std::uint16_t port, std::uint16_t bit);
std::int32_t BitOff(std::uint16_t port, std::uint16_t bit);
std::uint16_t TestQbit(std::uint16_t port, std::uint16_t bit);
std::uint16_t TestIbit(std::uint16_t port, std::uint16_t bit);
// Fills 16 words from the group that bits 4 to 7 of the port select; a null
// buffer is left alone.
void GetIOBlockData(std::uint16_t port, std::uint16_t* buffer);

}  // namespace lineio
