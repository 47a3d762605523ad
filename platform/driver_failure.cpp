#include "platform/driver_failure.h"

#include <cstring>
#include <mutex>

namespace lineio::platform {

namespace {
// Noted by whichever thread the backend refuses on (an interrupt wait runs on
// its own), taken by the thread that opens the board.
struct FailureNote {
  std::mutex Lock;
  DriverFailure Note;
};
FailureNote failureNote;
}  // namespace

void NoteDriverFailure(FailureReason reason, const char* line) {
  const std::lock_guard<std::mutex> hold(failureNote.Lock);
  DriverFailure& note = failureNote.Note;
  if (reason != FailureReason::Other || note.Reason == FailureReason::None) note.Reason = reason;
  const std::size_t used = std::strlen(note.Text);
  const std::size_t room = sizeof note.Text - used - 1;
  std::strncat(note.Text, line, room);
  if (std::strlen(note.Text) < sizeof note.Text - 1) std::strcat(note.Text, "\n");
}

DriverFailure TakeDriverFailure() {
  const std::lock_guard<std::mutex> hold(failureNote.Lock);
  DriverFailure taken = failureNote.Note;
  failureNote.Note = DriverFailure{};
  return taken;
}

}  // namespace lineio::platform
