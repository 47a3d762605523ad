#include "board/open_failure.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/messages.h"
#include "platform/driver_failure.h"

namespace lineio {

namespace {

struct MessageReason {
  const char* Message;
  FailureReason Reason;
};

constexpr MessageReason MessageReasons[] = {
    {MsgCannotOpenDriver, FailureReason::NoDriver},
    {MsgIncorrectVersion, FailureReason::DriverTooOld},
    {MsgNoCardsFound, FailureReason::NoBoard},
    {MsgCannotFindCard, FailureReason::NoBoard},
    {MsgCardOutOfRange, FailureReason::CardOutOfRange},
    {MsgAlreadyInUse, FailureReason::LockHeld},
    {MsgMissingItems, FailureReason::MissingItems},
    {MsgChoiceOutOfRange, FailureReason::ChoiceOutOfRange},
};

FailureReason ReasonOfMessage(const char* message) {
  for (const MessageReason& entry : MessageReasons) {
    if (std::strcmp(entry.Message, message) == 0) return entry.Reason;
  }
  return FailureReason::Other;
}

// A precise reason of the backend wins. A refused registration that the
// backend explained, though by no known reason, was not a lock held by
// another: the library's "already in use" is all it can say then.
FailureReason ReasonOf(const char* message, const platform::DriverFailure& noted) {
  const FailureReason library = ReasonOfMessage(message);
  if (noted.Reason == FailureReason::None) return library;
  if (noted.Reason != FailureReason::Other) return noted.Reason;
  return library == FailureReason::LockHeld ? FailureReason::Other : library;
}

}  // namespace

void BeginOpenAttempt() {
  platform::TakeDriverFailure();
  processState.Board.LastFailure = FailureReason::None;
  processState.Board.FailureText[0] = '\0';
}

void FailOpen(const char* message) {
  PrintMessage(message);
  const platform::DriverFailure noted = platform::TakeDriverFailure();
  processState.Board.LastFailure = ReasonOf(message, noted);
  std::snprintf(processState.Board.FailureText, FailureTextBytes, "%s%s", noted.Text, message);
}

void SucceedOpen() {
  platform::TakeDriverFailure();
  processState.Board.LastFailure = FailureReason::None;
  processState.Board.FailureText[0] = '\0';
}

}  // namespace lineio
