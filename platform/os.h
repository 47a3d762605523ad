// The raw operating-system services, one implementation per platform
// (windows.cpp, posix.cpp). The library calls them through platform.h, which
// adds the replacements that tests and the simulator install.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace lineio::platform::os {

OsHandle OpenDriverDevice();
bool DriverRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size);
bool CloseHandle(OsHandle handle);
double MonotonicMilliseconds();
std::int32_t KeyboardSubtype();
std::uint16_t EscapeKeySample();
OsHandle StartThread(std::uint32_t stackBytes, ThreadEntry entry, void* argument);
void JoinThread(OsHandle thread);

}  // namespace lineio::platform::os
