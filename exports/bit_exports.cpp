// Bits and blocks of logical ports.
#include "exports/export.h"
#include "portio/bits.h"

LINEIO_EXPORT int32_t LINEIO_CALL BitOn(uint16_t port, uint16_t bit) { return lineio::BitOn(port, bit); }

LINEIO_EXPORT int32_t LINEIO_CALL BitOff(uint16_t port, uint16_t bit) { return lineio::BitOff(port, bit); }

LINEIO_EXPORT uint16_t LINEIO_CALL TestQbit(uint16_t port, uint16_t bit) {
  return lineio::TestQbit(port, bit);
}

LINEIO_EXPORT uint16_t LINEIO_CALL TestIbit(uint16_t port, uint16_t bit) {
  return lineio::TestIbit(port, bit);
}

LINEIO_EXPORT void LINEIO_CALL GetIOBlockData(uint16_t port, uint16_t* block) {
  lineio::GetIOBlockData(port, block);
}
