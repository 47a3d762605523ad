// The line test controls: loading the serial devices, tick waits and the
// click pulse, and the exchange sequence.
#pragma once

#include <cstdint>

namespace lineio {

void ContFreq(std::uint16_t mode, std::uint16_t word);
void ContLevel(std::uint16_t level);
void ContDirect(std::uint16_t word);
void ContSigSW(std::uint16_t value);
void ContBellDA(std::uint16_t value);
void ContRelay(std::uint16_t word);
void LineCurrent(std::uint16_t value);

// Waits for one tick of StatReg bit 0 and counts it; gives the Escape sample
// that ended the wait (0x8000 when the key was down, else 0).
std::uint16_t TickWait(std::uint32_t& tickCount);
std::uint16_t HdTimer(std::uint32_t ticks);
void Click(std::uint32_t ticks);

inline constexpr std::uint16_t PatternRefused = 0xFFFF;
// The value of a hexadecimal digit, PatternRefused for any other character.
std::uint16_t HexDigitValue(std::uint16_t character);
std::uint16_t ExchgLine(std::uint16_t mode, const char* pattern);

}  // namespace lineio
