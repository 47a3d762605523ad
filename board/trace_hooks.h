// Where the board layer reports what it does while a trace runs: every raw
// register access, every message the library prints, every interrupt the
// service hands on. A higher layer (tracing/) installs the hooks when a
// trace starts and removes them when it stops; with none installed each
// report is one test of a null pointer. A build with LINEIO_NO_TRACE has no
// reports at all (the benches compare the two).
#pragma once

#include <cstdint>

namespace lineio {

struct TraceHooks {
  // direction 'R' or 'W'; width in bytes; the value written or read.
  void (*Access)(char direction, std::uint16_t offset, std::uint8_t width, std::uint32_t value) = nullptr;
  // One message as printed, with its newline.
  void (*Message)(const char* text) = nullptr;
  // One wake-up of the interrupt service: the driver's counts.
  void (*Interrupt)(std::uint32_t count, std::uint32_t lost) = nullptr;
};

#if defined(LINEIO_NO_TRACE)
inline constexpr bool TraceBuilt = false;
#else
inline constexpr bool TraceBuilt = true;
#endif

}  // namespace lineio
