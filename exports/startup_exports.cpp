// Start-up, shutdown and the probes.
#include "exports/export.h"
#include "portio/startup.h"
#include "tracing/traced_call.h"

// PortInit starts the trace's clock; PortEnd writes the trace out.
LINEIO_EXPORT int32_t LINEIO_CALL PortInit(int32_t board) {
  if (lineio::TraceRunning()) lineio::RestartTraceClock();
  return lineio::TracedCall<lineio::PortInit>("PortInit", board);
}

LINEIO_EXPORT int32_t LINEIO_CALL PortEnd(void) {
  const int32_t closed = lineio::TracedCall<lineio::PortEnd>("PortEnd");
  if (lineio::TraceRunning()) lineio::FlushTrace();
  return closed;
}

LINEIO_EXPORT int32_t LINEIO_CALL CheckPCtype(void) {
  return lineio::TracedCall<lineio::CheckPCtype>("CheckPCtype");
}

LINEIO_EXPORT uint16_t LINEIO_CALL Test(int32_t unused) {
  return lineio::Traced(
      "Test", [] { return lineio::Test(); }, unused);
}

LINEIO_EXPORT uint16_t LINEIO_CALL Test2(uint8_t* buffer) {
  return lineio::TracedCall<lineio::Test2>("Test2", buffer);
}
