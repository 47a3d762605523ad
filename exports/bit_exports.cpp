// Bits and blocks of logical ports.
#include "exports/export.h"
#include "portio/bits.h"
#include "tracing/traced_call.h"

namespace {

constexpr std::size_t BlockWords = 16;

// The words GetIOBlockData leaves in the host's block, as the result.
void TraceBlock(const uint16_t* block) {
  char text[lineio::LineBytes] = "-";
  if (block != nullptr) lineio::FormatWords(text, sizeof text, std::span<const uint16_t>(block, BlockWords));
  lineio::TraceResultLine(text);
}

}  // namespace

LINEIO_EXPORT int32_t LINEIO_CALL BitOn(uint16_t port, uint16_t bit) {
  return lineio::TracedCall<lineio::BitOn>("BitOn", port, bit);
}

LINEIO_EXPORT int32_t LINEIO_CALL BitOff(uint16_t port, uint16_t bit) {
  return lineio::TracedCall<lineio::BitOff>("BitOff", port, bit);
}

LINEIO_EXPORT uint16_t LINEIO_CALL TestQbit(uint16_t port, uint16_t bit) {
  return lineio::TracedCall<lineio::TestQbit>("TestQbit", port, bit);
}

LINEIO_EXPORT uint16_t LINEIO_CALL TestIbit(uint16_t port, uint16_t bit) {
  return lineio::TracedCall<lineio::TestIbit>("TestIbit", port, bit);
}

// Its result line is the block's 16 words, as the bus analyser prints them
// (its call line gives the port only, as a script of the analyser does).
LINEIO_EXPORT void LINEIO_CALL GetIOBlockData(uint16_t port, uint16_t* block) {
  if (!lineio::TraceRunning()) {
    lineio::GetIOBlockData(port, block);
    return;
  }
  char line[lineio::CallLineBytes];
  lineio::detail::CallLine(line, "GetIOBlockData", port);
  lineio::TraceCallLine(line);
  lineio::GetIOBlockData(port, block);
  TraceBlock(block);
}
