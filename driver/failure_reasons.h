// Why opening the driver or the board failed: one code for every layer, from
// a driver backend that knows the operating system's reason up to the host,
// which reads it through LineioLastFailure (the LINEIO_FAILURE_* constants of
// lineio.h have these values; exports/status_exports.cpp checks it).
#pragma once

#include <cstdint>

namespace lineio {

enum class FailureReason : std::int32_t {
  None = 0,
  NoDriver = 1,           // the driver device cannot be opened
  DriverTooOld = 2,       // it reports a version older than the library needs
  NoBoard = 3,            // no card with the board's identifiers
  CardOutOfRange = 4,     // the card chosen is not among those found
  LockHeld = 5,           // another registration holds the card
  Permission = 6,         // the operating system refuses this user
  Binding = 7,            // another kernel driver owns the card
  Lockdown = 8,           // the kernel forbids user space the registers
  MissingItems = 9,       // the card lacks the resources the board has
  MapRefused = 10,        // a memory range cannot be mapped
  RangeAbove4GiB = 11,    // a range does not fit the driver records
  ChoiceOutOfRange = 12,  // the answer to "Select card" was out of range
  FunctionGone = 13,      // the PCI function disappeared
  Other = 14,             // anything else: the text says what
};

}  // namespace lineio
