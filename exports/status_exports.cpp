// The extension calls: how the board is reached, why the last open failed,
// the library's version, and the trace switch.
#include <cstring>

#include "board/board.h"
#include "exports/export.h"
#include "tracing/traced_call.h"

#ifndef LINEIO_VERSION
#error "LINEIO_VERSION comes from the project version (exports/CMakeLists.txt)"
#endif

namespace {

using lineio::FailureReason;

// The header's constants are the codes of every layer.
static_assert(LINEIO_FAILURE_NONE == static_cast<int>(FailureReason::None));
static_assert(LINEIO_FAILURE_NO_DRIVER == static_cast<int>(FailureReason::NoDriver));
static_assert(LINEIO_FAILURE_DRIVER_TOO_OLD == static_cast<int>(FailureReason::DriverTooOld));
static_assert(LINEIO_FAILURE_NO_BOARD == static_cast<int>(FailureReason::NoBoard));
static_assert(LINEIO_FAILURE_CARD_OUT_OF_RANGE == static_cast<int>(FailureReason::CardOutOfRange));
static_assert(LINEIO_FAILURE_LOCK_HELD == static_cast<int>(FailureReason::LockHeld));
static_assert(LINEIO_FAILURE_PERMISSION == static_cast<int>(FailureReason::Permission));
static_assert(LINEIO_FAILURE_BINDING == static_cast<int>(FailureReason::Binding));
static_assert(LINEIO_FAILURE_LOCKDOWN == static_cast<int>(FailureReason::Lockdown));
static_assert(LINEIO_FAILURE_ITEMS == static_cast<int>(FailureReason::MissingItems));
static_assert(LINEIO_FAILURE_MAP_REFUSED == static_cast<int>(FailureReason::MapRefused));
static_assert(LINEIO_FAILURE_RANGE_ABOVE_4GIB == static_cast<int>(FailureReason::RangeAbove4GiB));
static_assert(LINEIO_FAILURE_CHOICE_OUT_OF_RANGE == static_cast<int>(FailureReason::ChoiceOutOfRange));
static_assert(LINEIO_FAILURE_FUNCTION_GONE == static_cast<int>(FailureReason::FunctionGone));
static_assert(LINEIO_FAILURE_OTHER == static_cast<int>(FailureReason::Other));

constexpr char Version[] = LINEIO_VERSION;

int32_t BoardAccess() {
  const lineio::BoardHandle* board = lineio::processState.Board.CurrentBoard;
  const uint32_t slot = lineio::processState.Board.CurrentSpace;
  if (board == nullptr || lineio::SpaceInUse(board, slot) == 0) return LINEIO_ACCESS_NONE;
  return board->Spaces[slot].IsMemory ? LINEIO_ACCESS_MEMORY : LINEIO_ACCESS_IO;
}

int32_t CopyFailureText(char* buffer, int32_t size) {
  const char* text = lineio::processState.Board.FailureText;
  const auto length = static_cast<int32_t>(std::strlen(text));
  if (buffer == nullptr || size <= 0) return length;
  const auto copied = static_cast<std::size_t>(length < size ? length : size - 1);
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return length;
}

}  // namespace

LINEIO_EXPORT int32_t LINEIO_CALL LineioBoardAccess(void) {
  return lineio::TracedCall<BoardAccess>("LineioBoardAccess");
}

LINEIO_EXPORT int32_t LINEIO_CALL LineioLastFailure(void) {
  return lineio::Traced("LineioLastFailure",
                        [] { return static_cast<int32_t>(lineio::processState.Board.LastFailure); });
}

LINEIO_EXPORT int32_t LINEIO_CALL LineioFailureText(char* buffer, int32_t size) {
  return lineio::TracedCall<CopyFailureText>("LineioFailureText", buffer, size);
}

LINEIO_EXPORT const char* LINEIO_CALL LineioVersion(void) {
  return lineio::Traced("LineioVersion", [] { return static_cast<const char*>(Version); });
}

// The switch itself is not traced: it starts or ends the file.
LINEIO_EXPORT int32_t LINEIO_CALL LineioTrace(const char* path) {
  if (path == nullptr) {
    lineio::StopTrace();
    return 1;
  }
  return lineio::StartTrace(path) ? 1 : 0;
}
