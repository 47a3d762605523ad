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
  return lineio::TracedCall<lineio::RawReadWord>("InpW", offset);
}

LINEIO_EXPORT uint32_t LINEIO_CALL InpD(uint16_t offset) {
  return lineio::TracedCall<lineio::RawReadDword>("InpD", offset);
}

LINEIO_EXPORT void LINEIO_CALL OutB(uint16_t offset, uint16_t value) {
  lineio::Traced(
      "OutB", [=] { lineio::RawWriteByte(offset, static_cast<uint8_t>(value)); }, offset, value);
}

LINEIO_EXPORT void LINEIO_CALL OutW(uint16_t offset, uint16_t value) {
  lineio::TracedCall<lineio::RawWriteWord>("OutW", offset, value);
}

LINEIO_EXPORT void LINEIO_CALL OutD(uint16_t offset, uint32_t value) {
  lineio::TracedCall<lineio::RawWriteDword>("OutD", offset, value);
}
