// Where the board layer reports what it does while a trace runs: every raw
// register access, every message the library prints, every interrupt the
// service hands on. A higher layer (tracing/) installs the hooks when a
// trace starts and removes them when it stops. With none installed an access
// to a mapped register costs nothing for them (it goes straight to the
// register, see register_access.h), a transfer request, message or interrupt
// one test of a null pointer. A build with LINEIO_NO_TRACE has no reports at
// all (the benches compare the two).
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

// Installs the hooks (all null: no trace runs). While any are installed the
// current board's accesses all take the full path, where the hooks see them;
// with none they go straight to mapped registers again.
void InstallTraceHooks(const TraceHooks& hooks);

#if defined(LINEIO_NO_TRACE)
inline constexpr bool TraceBuilt = false;
#else
inline constexpr bool TraceBuilt = true;
#endif

}  // namespace lineio
