// The narrow channel that carries a driver backend's reason for a refusal up
// to the board layer: the backend notes a code and its line as it refuses;
// the board layer takes the note after a failed open. The lines still go to
// standard error as before; the note only keeps them for the host to ask.
#pragma once

#include <cstddef>

#include "driver/failure_reasons.h"

namespace lineio::platform {

inline constexpr std::size_t DriverFailureTextBytes = 1024;

struct DriverFailure {
  // The most specific reason noted (the last one that is not Other).
  FailureReason Reason = FailureReason::None;
  // The lines noted, each ending in a newline, cut at the buffer's end.
  char Text[DriverFailureTextBytes] = {};
};

// Adds a line to the note; a reason other than Other replaces the note's.
void NoteDriverFailure(FailureReason reason, const char* line);
// Gives the note and clears it.
DriverFailure TakeDriverFailure();

}  // namespace lineio::platform
