// Start-up, shutdown and the probes.
#include "exports/export.h"
#include "portio/startup.h"

LINEIO_EXPORT int32_t LINEIO_CALL PortInit(int32_t board) { return lineio::PortInit(board); }

LINEIO_EXPORT int32_t LINEIO_CALL PortEnd(void) { return lineio::PortEnd(); }

LINEIO_EXPORT int32_t LINEIO_CALL CheckPCtype(void) { return lineio::CheckPCtype(); }

LINEIO_EXPORT uint16_t LINEIO_CALL Test(int32_t) { return lineio::Test(); }

LINEIO_EXPORT uint16_t LINEIO_CALL Test2(uint8_t* buffer) { return lineio::Test2(buffer); }
