#include "board/messages.h"

#include <cstdlib>
#include <cstring>

#include "board/process_state.h"

namespace lineio {

namespace {

std::FILE* FileOf(MessageStream stream) {
  switch (stream) {
    case MessageStream::Stdout: return stdout;
    case MessageStream::Stderr: return stderr;
    case MessageStream::Off: break;
  }
  return nullptr;
}

}  // namespace

MessageStream MessageStreamNamed(const char* value) {
  if (value == nullptr) return MessageStream::Stdout;
  if (std::strcmp(value, "stderr") == 0) return MessageStream::Stderr;
  if (std::strcmp(value, "off") == 0) return MessageStream::Off;
  return MessageStream::Stdout;
}

MessageStream MessageStreamFromEnvironment() { return MessageStreamNamed(std::getenv("LINEIO_MESSAGES")); }

namespace {
// Read once, when the library is loaded.
const bool MessagesChosen = (processState.Board.Messages = MessageStreamFromEnvironment(), true);
}  // namespace

void PrintMessage(const char* text) {
  if (std::FILE* file = FileOf(processState.Board.Messages)) std::fputs(text, file);
  if constexpr (TraceBuilt) {
    if (processState.Trace.Message != nullptr) processState.Trace.Message(text);
  }
}

void PrintPrompt(const char* text) {
  std::FILE* file = FileOf(processState.Board.Messages);
  if (file == nullptr) file = stderr;
  std::fputs(text, file);
  std::fflush(file);
}

}  // namespace lineio
