/* The board behind the library, as the cases see it through the exports. */
#include "host_board.h"

#include "harness.h"
#include "host_exports.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "win_shim.h"
#endif

int kestrel;
int simulated;
/* The simulated board is open: PortInit succeeded and no PortEnd since. */
static int boardOpen;

int Pc98Machine(void) {
  int subtype = GetKeyboardType(1);
  return subtype >= 0x0D01 && subtype <= 0x0D04;
}

void OpenSimulatedBoard(void) {
  if (!simulated || boardOpen) return;
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  EndCapture();
  boardOpen = opened != 0;
  Check(boardOpen, "PortInit(0) opens the simulated board");
}

void CloseSimulatedBoard(void) {
  if (!boardOpen) return;
  CALL0(dll.PortEnd);
  boardOpen = 0;
}

static unsigned short RegisterOffset(enum BoardRegister which) {
  return (unsigned short)((Pc98Machine() ? 0xD0 : 0x310) + 2 * which);
}

unsigned short ReadRegister(enum BoardRegister which) { return CALL(dll.InpB, RegisterOffset(which)); }

void WriteRegister(enum BoardRegister which, unsigned short value) {
  CALLV(dll.OutB, RegisterOffset(which), value);
}

void CheckWriteEndedWith(const char* what, unsigned short expectedControl) {
  if (!simulated) return;
  unsigned short data = ReadRegister(DataReg), address = ReadRegister(AddrReg);
  unsigned short control = ReadRegister(CtrlReg);
  Check(data == 0 && address == 0 && control == expectedControl,
        "%s ends with DataReg 0x%X, AddrReg 0x%X, CtrlReg 0x%X (expected 0, 0, 0x%X)", what, data, address,
        control, expectedControl);
}

void CheckWriteEnded(const char* what) { CheckWriteEndedWith(what, CtrlEnable); }
