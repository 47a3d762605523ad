// Logical ports of the board's internal bus.
#include "exports/export.h"
#include "portio/ports.h"
#include "tracing/traced_call.h"

LINEIO_EXPORT int32_t LINEIO_CALL PortOut(uint16_t port, uint16_t value) {
  return lineio::TracedCall<lineio::LogicalPortWrite>("PortOut", port, value);
}

LINEIO_EXPORT uint16_t LINEIO_CALL PortQinp(uint16_t port) {
  return lineio::TracedCall<lineio::LogicalPortReadBack>("PortQinp", port);
}

LINEIO_EXPORT uint16_t LINEIO_CALL PortIinp(uint16_t port) {
  return lineio::TracedCall<lineio::LogicalPortRead>("PortIinp", port);
}

LINEIO_EXPORT void LINEIO_CALL AllOutClear(void) {
  lineio::TracedCall<lineio::ClearAllOutputs>("AllOutClear");
}
