// Replacements of the operating-system services, for tests and for the
// simulated tools: a clock, a keyboard subtype and an Escape key that say what
// the caller wants. An empty function restores the real service.
#pragma once

#include <cstdint>
#include <functional>

namespace lineio::platform {

void OverrideClock(std::function<double()> milliseconds);
void OverrideKeyboardSubtype(std::function<std::int32_t()> subtype);
void OverrideEscapeKey(std::function<std::uint16_t()> sample);
// Removes every override and any installed driver service.
void ResetOverrides();

}  // namespace lineio::platform
