// Logical ports of the board's internal bus.
#include "exports/export.h"
#include "portio/ports.h"
#include "tracing/traced_call.h"

LINEIO_EXPORT int32_t LINEIO_CALL PortOut(uint16_t port, uint16_t value) {
  return lineio::Traced(
      "PortOut", [=] { return lineio::LogicalPortWrite(port, value); }, port, value);
}

LINEIO_EXPORT uint16_t LINEIO_CALL PortQinp(uint16_t port) {
  return lineio::Traced(
      "PortQinp", [=] { return lineio::LogicalPortReadBack(port); }, port);
}

LINEIO_EXPORT uint16_t LINEIO_CALL PortIinp(uint16_t port) {
  return lineio::Traced(
      "PortIinp", [=] { return lineio::LogicalPortRead(port); }, port);
}

LINEIO_EXPORT void LINEIO_CALL AllOutClear(void) {
  lineio::Traced("AllOutClear", [] { lineio::ClearAllOutputs(); });
}
