// The operating-system services on 32-bit Windows: the kernel driver device
// through CreateFileA, DeviceIoControl and CloseHandle, the high-resolution
// performance counter, the keyboard subtype, the Escape key and Win32 threads.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <new>

#include "platform/os.h"

namespace lineio::platform::os {

namespace {

constexpr const char* DriverDeviceName = "\\\\.\\WINDRVR";
constexpr int EscapeKey = VK_ESCAPE;  // 27
constexpr int KeyboardSubtypeQuery = 1;
constexpr std::uint16_t KeyDownBit = 0x8000;

// The returned byte count of every request lands here; nobody reads it.
DWORD returnedByteCount = 0;

HANDLE AsWin32(OsHandle handle) { return reinterpret_cast<HANDLE>(handle); }
OsHandle FromWin32(HANDLE handle) { return reinterpret_cast<OsHandle>(handle); }

}  // namespace

OsHandle OpenDriverDevice() {
  HANDLE device = CreateFileA(DriverDeviceName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  return FromWin32(device);
}

bool DriverRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) {
  return DeviceIoControl(AsWin32(handle), code, record, size, nullptr, 0, &returnedByteCount, nullptr) !=
         FALSE;
}

bool CloseHandle(OsHandle handle) { return ::CloseHandle(AsWin32(handle)) != FALSE; }

double MonotonicMilliseconds() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::int32_t KeyboardSubtype() { return GetKeyboardType(KeyboardSubtypeQuery); }

std::uint16_t EscapeKeySample() {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(GetAsyncKeyState(EscapeKey)) & KeyDownBit);
}

namespace {

struct ThreadStart {
  ThreadEntry Entry;
  void* Argument;
};

DWORD WINAPI RunThread(LPVOID raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  start.Entry(start.Argument);
  return 0;
}

}  // namespace

OsHandle StartThread(std::uint32_t stackBytes, ThreadEntry entry, void* argument) {
  auto* start = new (std::nothrow) ThreadStart{entry, argument};
  if (start == nullptr) return NoHandle;
  HANDLE thread = CreateThread(nullptr, stackBytes, RunThread, start, 0, nullptr);
  if (thread == nullptr) {
    delete start;
    return NoHandle;
  }
  return FromWin32(thread);
}

void JoinThread(OsHandle thread) {
  WaitForSingleObject(AsWin32(thread), INFINITE);
  ::CloseHandle(AsWin32(thread));
}

}  // namespace lineio::platform::os
