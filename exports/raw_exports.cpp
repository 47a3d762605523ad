// Raw register access: each export is one register access at an offset in the
// current address space of the current board.
#include "board/board.h"
#include "exports/export.h"

LINEIO_EXPORT uint16_t LINEIO_CALL InpB(uint16_t offset) { return lineio::RawReadByte(offset); }

LINEIO_EXPORT uint16_t LINEIO_CALL InpW(uint16_t offset) { return lineio::RawReadWord(offset); }

LINEIO_EXPORT uint32_t LINEIO_CALL InpD(uint16_t offset) { return lineio::RawReadDword(offset); }

LINEIO_EXPORT void LINEIO_CALL OutB(uint16_t offset, uint16_t value) {
  lineio::RawWriteByte(offset, static_cast<uint8_t>(value));
}

LINEIO_EXPORT void LINEIO_CALL OutW(uint16_t offset, uint16_t value) { lineio::RawWriteWord(offset, value); }

LINEIO_EXPORT void LINEIO_CALL OutD(uint16_t offset, uint32_t value) { lineio::RawWriteDword(offset, value); }
