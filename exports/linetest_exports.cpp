// Line test controls: serial devices, tick waits and click, exchange sequence.
#include "exports/export.h"
#include "linetest/controls.h"
#include "tracing/traced_call.h"

LINEIO_EXPORT void LINEIO_CALL ContFreq(uint16_t mode, uint16_t word) {
  lineio::TracedCall<lineio::ContFreq>("ContFreq", mode, word);
}

LINEIO_EXPORT void LINEIO_CALL ContLevel(uint16_t level) {
  lineio::TracedCall<lineio::ContLevel>("ContLevel", level);
}

LINEIO_EXPORT void LINEIO_CALL ContDirect(uint16_t word) {
  lineio::TracedCall<lineio::ContDirect>("ContDirect", word);
}

LINEIO_EXPORT void LINEIO_CALL ContSigSW(uint16_t value) {
  lineio::TracedCall<lineio::ContSigSW>("ContSigSW", value);
}

LINEIO_EXPORT void LINEIO_CALL ContBellDA(uint16_t value) {
  lineio::TracedCall<lineio::ContBellDA>("ContBellDA", value);
}

LINEIO_EXPORT void LINEIO_CALL ContRelay(uint16_t word) {
  lineio::TracedCall<lineio::ContRelay>("ContRelay", word);
}

LINEIO_EXPORT void LINEIO_CALL LineCurrent(uint16_t value) {
  lineio::TracedCall<lineio::LineCurrent>("LineCurrent", value);
}

LINEIO_EXPORT uint16_t LINEIO_CALL HdTimer(uint32_t ticks) {
  return lineio::TracedCall<lineio::HdTimer>("HdTimer", ticks);
}

LINEIO_EXPORT void LINEIO_CALL Click(uint32_t ticks) { lineio::TracedCall<lineio::Click>("Click", ticks); }

LINEIO_EXPORT uint16_t LINEIO_CALL ExchgLine(uint16_t mode, const char* pattern) {
  return lineio::Traced(
      "ExchgLine", [=] { return lineio::ExchgLine(mode, pattern); }, mode, lineio::PatternArgument{pattern});
}
