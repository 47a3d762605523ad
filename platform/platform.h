// The operating-system services the library calls. Everything that touches the
// operating system goes through here: the kernel driver device, the clock used to
// calibrate the busy waits, the keyboard subtype, the Escape key and threads.
// windows.cpp implements the raw services with Win32, posix.cpp with our own
// stand-ins; services.cpp adds the replacements that tests and the simulator
// install.
#pragma once

#include <cstdint>

namespace lineio::platform {

// An operating-system handle, wide enough for a Win32 HANDLE.
using OsHandle = std::uintptr_t;
inline constexpr OsHandle InvalidOsHandle = ~OsHandle{0};  // INVALID_HANDLE_VALUE
inline constexpr OsHandle NoHandle = 0;

// Opens the kernel driver device. InvalidOsHandle when it is not there.
OsHandle OpenDriverDevice();
// Sends one request with its record (input and output in place). Returns the
// request's Boolean result.
bool DriverRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size);
// Closes a driver handle. Returns the operating system's result (true on success).
bool CloseOsHandle(OsHandle handle);

// Milliseconds, with fraction, from a monotonic high-resolution clock.
double MonotonicMilliseconds();
// The keyboard subtype (GetKeyboardType(1) on Windows).
std::int32_t KeyboardSubtype();
// One sample of the Escape key: 0x8000 when it is down, 0 when it is up.
std::uint16_t EscapeKeySample();

// A thread that runs `entry(argument)`. NoHandle when it cannot be started.
using ThreadEntry = void (*)(void* argument);
OsHandle StartThread(std::uint32_t stackBytes, ThreadEntry entry, void* argument);
// Waits with no time limit until the thread has ended, then releases its handle.
void JoinThread(OsHandle thread);

}  // namespace lineio::platform
