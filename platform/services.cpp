// Clock, keyboard and Escape key: the operating system's, unless a test or a
// simulated tool has put its own in place.
#include <utility>

#include "platform/driver_service.h"
#include "platform/os.h"
#include "platform/overrides.h"

namespace lineio::platform {

namespace {
struct Overrides {
  std::function<double()> Clock;
  std::function<std::int32_t()> KeyboardSubtype;
  std::function<std::uint16_t()> EscapeKey;
};
Overrides overrides;
}  // namespace

void OverrideClock(std::function<double()> milliseconds) { overrides.Clock = std::move(milliseconds); }

void OverrideKeyboardSubtype(std::function<std::int32_t()> subtype) {
  overrides.KeyboardSubtype = std::move(subtype);
}

void OverrideEscapeKey(std::function<std::uint16_t()> sample) { overrides.EscapeKey = std::move(sample); }

void ResetOverrides() {
  overrides = Overrides{};
  InstallDriverService(nullptr);
}

double MonotonicMilliseconds() { return overrides.Clock ? overrides.Clock() : os::MonotonicMilliseconds(); }

std::int32_t KeyboardSubtype() {
  return overrides.KeyboardSubtype ? overrides.KeyboardSubtype() : os::KeyboardSubtype();
}

std::uint16_t EscapeKeySample() {
  return overrides.EscapeKey ? overrides.EscapeKey() : os::EscapeKeySample();
}

OsHandle StartThread(std::uint32_t stackBytes, ThreadEntry entry, void* argument) {
  return os::StartThread(stackBytes, entry, argument);
}

void JoinThread(OsHandle thread) { os::JoinThread(thread); }

}  // namespace lineio::platform
