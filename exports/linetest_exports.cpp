// Line test controls: serial devices, tick waits and click, exchange sequence.
#include "exports/export.h"
#include "linetest/controls.h"

LINEIO_EXPORT void LINEIO_CALL ContFreq(uint16_t mode, uint16_t word) { lineio::ContFreq(mode, word); }
LINEIO_EXPORT void LINEIO_CALL ContLevel(uint16_t level) { lineio::ContLevel(level); }
LINEIO_EXPORT void LINEIO_CALL ContDirect(uint16_t word) { lineio::ContDirect(word); }
LINEIO_EXPORT void LINEIO_CALL ContSigSW(uint16_t value) { lineio::ContSigSW(value); }
LINEIO_EXPORT void LINEIO_CALL ContBellDA(uint16_t value) { lineio::ContBellDA(value); }
LINEIO_EXPORT void LINEIO_CALL ContRelay(uint16_t word) { lineio::ContRelay(word); }
LINEIO_EXPORT void LINEIO_CALL LineCurrent(uint16_t value) { lineio::LineCurrent(value); }
LINEIO_EXPORT uint16_t LINEIO_CALL HdTimer(uint32_t ticks) { return lineio::HdTimer(ticks); }
LINEIO_EXPORT void LINEIO_CALL Click(uint32_t ticks) { lineio::Click(ticks); }
LINEIO_EXPORT uint16_t LINEIO_CALL ExchgLine(uint16_t mode, const char* pattern) {
  return lineio::ExchgLine(mode, pattern);
}
