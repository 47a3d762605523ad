// Line test controls: serial devices, tick waits and click, exchange sequence.
#include "exports/export.h"
#include "linetest/controls.h"
#include "tracing/traced_call.h"

LINEIO_EXPORT void LINEIO_CALL ContFreq(uint16_t mode, uint16_t word) {
  lineio::Traced(
      "ContFreq", [=] { lineio::ContFreq(mode, word); }, mode, word);
}

LINEIO_EXPORT void LINEIO_CALL ContLevel(uint16_t level) {
  lineio::Traced(
      "ContLevel", [=] { lineio::ContLevel(level); }, level);
}

LINEIO_EXPORT void LINEIO_CALL ContDirect(uint16_t word) {
  lineio::Traced(
      "ContDirect", [=] { lineio::ContDirect(word); }, word);
}

LINEIO_EXPORT void LINEIO_CALL ContSigSW(uint16_t value) {
  lineio::Traced(
      "ContSigSW", [=] { lineio::ContSigSW(value); }, value);
}

LINEIO_EXPORT void LINEIO_CALL ContBellDA(uint16_t value) {
  lineio::Traced(
      "ContBellDA", [=] { lineio::ContBellDA(value); }, value);
}

LINEIO_EXPORT void LINEIO_CALL ContRelay(uint16_t word) {
  lineio::Traced(
      "ContRelay", [=] { lineio::ContRelay(word); }, word);
}

LINEIO_EXPORT void LINEIO_CALL LineCurrent(uint16_t value) {
  lineio::Traced(
      "LineCurrent", [=] { lineio::LineCurrent(value); }, value);
}

LINEIO_EXPORT uint16_t LINEIO_CALL HdTimer(uint32_t ticks) {
  return lineio::Traced(
      "HdTimer", [=] { return lineio::HdTimer(ticks); }, ticks);
}

LINEIO_EXPORT void LINEIO_CALL Click(uint32_t ticks) {
  lineio::Traced(
      "Click", [=] { lineio::Click(ticks); }, ticks);
}

LINEIO_EXPORT uint16_t LINEIO_CALL ExchgLine(uint16_t mode, const char* pattern) {
  return lineio::Traced(
      "ExchgLine", [=] { return lineio::ExchgLine(mode, pattern); }, mode, lineio::PatternArgument{pattern});
}
