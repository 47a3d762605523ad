/* A host that calls every export that the bus analyser can also call, in a
 * fixed order, as a host application does. Run against the simulation flavour
 * with LINEIO_TRACE set, its trace is compared with the analyser's output for
 * the same calls (compare_trace.py). */
#include <stdio.h>

#include "lineio.h"

static void Raw(void) {
  InpB(0x316);
  OutB(0x300, 0x5a);
  InpB(0x300);
  OutW(0x302, 0x1234);
  InpW(0x302);
  OutD(0x304, 0x89abcdefu);
  InpD(0x304);
}

static void Ports(void) {
  unsigned short block[16];
  for (int i = 0; i < 16; ++i) block[i] = 0xaaaa; /* as the analyser fills it */
  PortOut(16, 0x12);
  PortQinp(16);
  PortIinp(37);
  PortOut(80, 3);
  PortOut(200, 1);
  PortOut(5, 0x44);
  PortIinp(5);
  AllOutClear();
  BitOn(17, 3);
  BitOff(17, 3);
  TestQbit(17, 3);
  TestIbit(18, 0);
  GetIOBlockData(16, block);
}

static void SerialDevices(void) {
  ContFreq(1, 0x1234);
  ContFreq(2, 0xa5c3);
  ContFreq(0, 0xffff);
  ContLevel(0x7f7f);
  ContDirect(0xa5c3);
  ContSigSW(0x34);
  ContBellDA(0x7ff);
  ContRelay(0x8001);
  LineCurrent(0x34);
  ExchgLine(0, "0123456789");
  ExchgLine(1, "fedcba9876");
  ExchgLine(0, "not hex!!!");
}

int main(void) {
  PortInit(0);
  CheckPCtype();
  Test(0);
  Raw();
  Ports();
  SerialDevices();
  HdTimer(3);
  Click(7);
  PortEnd();
  return 0;
}
