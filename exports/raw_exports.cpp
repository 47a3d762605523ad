// Raw register access: each export is one register access at an offset in the
// current address space of the current board.
#include "board/board.h"
#include "exports/export.h"
#include "tracing/traced_call.h"

LINEIO_EXPORT uint16_t LINEIO_CALL InpB(uint16_t offset) {
  return lineio::Traced(
      "InpB", [=] { return static_cast<uint16_t>(lineio::RawReadByte(offset)); }, offset);
}

LINEIO_EXPORT uint16_t LINEIO_CALL InpW(uint16_t offset) {
  return lineio::Traced(
      "InpW", [=] { return lineio::RawReadWord(offset); }, offset);
}

LINEIO_EXPORT uint32_t LINEIO_CALL InpD(uint16_t offset) {
  return lineio::Traced(
      "InpD", [=] { return lineio::RawReadDword(offset); }, offset);
}

LINEIO_EXPORT void LINEIO_CALL OutB(uint16_t offset, uint16_t value) {
  lineio::Traced(
      "OutB", [=] { lineio::RawWriteByte(offset, static_cast<uint8_t>(value)); }, offset, value);
}

LINEIO_EXPORT void LINEIO_CALL OutW(uint16_t offset, uint16_t value) {
  lineio::Traced(
      "OutW", [=] { lineio::RawWriteWord(offset, value); }, offset, value);
}

LINEIO_EXPORT void LINEIO_CALL OutD(uint16_t offset, uint32_t value) {
  lineio::Traced(
      "OutD", [=] { lineio::RawWriteDword(offset, value); }, offset, value);
}
