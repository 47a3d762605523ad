// Our own stand-ins for the Windows services on POSIX systems.
//
// The driver device: on Linux, the backend that serves the driver requests
// from the kernel's PCI sysfs and UIO (platform/linux/). Elsewhere there is no
// kernel driver device: the driver is served in-process by an installed
// DriverService (driver_device.cpp), so the device itself never opens.
#include <pthread.h>
#include <time.h>

#include <new>

#include "platform/os.h"

#if defined(__linux__)
#include "platform/linux/default_service.h"
#endif

namespace lineio::platform::os {

#if defined(__linux__)

OsHandle OpenDriverDevice() { return linuxpci::OpenDefaultDevice(); }

bool DriverRequest(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) {
  return linuxpci::DefaultDeviceRequest(handle, code, record, size);
}

bool CloseHandle(OsHandle handle) { return linuxpci::CloseDefaultDevice(handle); }

#else

OsHandle OpenDriverDevice() { return InvalidOsHandle; }

bool DriverRequest(OsHandle, std::uint32_t, void*, std::uint32_t) { return false; }

bool CloseHandle(OsHandle) { return false; }

#endif

double MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

// A PC keyboard with no subtype of the PC-98 family: the machine is AT-compatible.
std::int32_t KeyboardSubtype() { return 0; }

namespace {
inline constexpr std::size_t MinimumThreadStack = 64 * 1024;

struct ThreadStart {
  ThreadEntry Entry;
  void* Argument;
};

void* RunThread(void* raw) {
  ThreadStart start = *static_cast<ThreadStart*>(raw);
  delete static_cast<ThreadStart*>(raw);
  start.Entry(start.Argument);
  return nullptr;
}
}  // namespace

OsHandle StartThread(std::uint32_t stackBytes, ThreadEntry entry, void* argument) {
  auto* start = new (std::nothrow) ThreadStart{entry, argument};
  if (start == nullptr) return NoHandle;
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  // The requested stack is a minimum. Windows rounds a small request up to its
  // 64 KiB allocation unit; the same floor here leaves a handler the room it
  // would have there (PTHREAD_STACK_MIN alone is 16 KiB).
  const std::size_t stack = stackBytes < MinimumThreadStack ? MinimumThreadStack : stackBytes;
  pthread_attr_setstacksize(&attributes, stack);
  pthread_t thread{};
  int failed = pthread_create(&thread, &attributes, RunThread, start);
  pthread_attr_destroy(&attributes);
  if (failed != 0) {
    delete start;
    return NoHandle;
  }
  return static_cast<OsHandle>(thread);
}

void JoinThread(OsHandle thread) { pthread_join(static_cast<pthread_t>(thread), nullptr); }

}  // namespace lineio::platform::os
