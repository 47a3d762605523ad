// Why the last open of the driver or the board failed, kept for the host to
// ask (LineioLastFailure, LineioFailureText). The library's failure message
// gives the reason; a reason that the driver backend noted on the way (a
// permission, a binding, lockdown...) is more precise and wins. The text
// holds the backend's lines, then the library's message.
#pragma once

namespace lineio {

// A new open begins: what an earlier one left is forgotten.
void BeginOpenAttempt();
// The open failed with this message (one of the Msg texts of board.h, or the
// error text that holds one); it is printed, and recorded.
void FailOpen(const char* message);
// The open worked.
void SucceedOpen();

}  // namespace lineio
