/* Start-up, shutdown, probes and raw register access. */
#include <string.h>

#include "cases.h"
#include "harness.h"
#include "host_board.h"
#include "host_exports.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "win_shim.h"
#endif

static void TestProbes(void) {
  Check(CALL(dll.Test, 123) == 0, "Test(123) before PortInit gives 0");

  unsigned char buffer[12];
  memset(buffer, 0xEE, sizeof buffer);
  unsigned short count = CALL(dll.Test2, buffer);
  Check(count == 11, "Test2 returns 11 (got %u)", count);
  Check(memcmp(buffer, "123456789:", 10) == 0, "Test2 writes the bytes '1'..'9', ':'");
  Check(buffer[10] == 0xEE && buffer[11] == 0xEE, "Test2 writes no 11th byte");

  int kind = CALL0(dll.CheckPCtype);
  Check(kind == (Pc98Machine() ? 0xFFFF : 0), "CheckPCtype gives 0x%X for keyboard subtype %d", kind,
        GetKeyboardType(1));
}

static void TestRawBeforeInit(void) {
  CALLV(dll.OutB, 0x310, 0xFF);
  Check(CALL(dll.InpB, 0x310) == 0, "InpB before PortInit gives 0");
  Check(CALL(dll.InpW, 0x312) == 0, "InpW before PortInit gives 0");
  Check(CALL(dll.InpD, 0x314) == 0, "InpD before PortInit gives 0");
}

static void TestShippedStartup(void) {
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  const char* text = EndCapture();
  Check(opened == 0, "PortInit without a kernel driver gives 0 (got %d)", opened);
  Check(strcmp(text, "Cannot open WinDriver device\n") == 0,
        "PortInit prints \"Cannot open WinDriver device\\n\" (printed \"%s\")", text);
  Check(CALL(dll.Test, 0) == 0, "a failed PortInit leaves Test at 0");
  Check(CALL(dll.InpB, 0x316) == 0 && CALL(dll.InpW, 0x316) == 0 && CALL(dll.InpD, 0x314) == 0,
        "raw reads give 0 with no board");
  CALL0(dll.PortEnd);
}

/* Register offsets of the four rows of register sets, AT-compatible and PC-98. */
struct RegisterRow {
  int Board;
  unsigned short AtControl;
  unsigned short Pc98Control;
};
static const struct RegisterRow RegisterRows[] = {
    {0, 0x314, 0xD4}, {1, 0x31C, 0xDC}, {2, 0x304, 0xC4},
    {3, 0x30C, 0xCC}, {5, 0x30C, 0xCC}, {-1, 0x30C, 0xCC},
};
static unsigned short ControlOf(const struct RegisterRow* row) {
  return Pc98Machine() ? row->Pc98Control : row->AtControl;
}

/* PortInit ends with the enable byte in CtrlReg of the chosen register set;
 * the simulated board keeps every byte written to its range. */
static void TestRegisterSetChoice(void) {
  size_t rows = sizeof RegisterRows / sizeof RegisterRows[0];
  for (size_t r = 0; r < rows; ++r) {
    for (size_t k = 0; k < rows; ++k) CALLV(dll.OutB, ControlOf(&RegisterRows[k]), 0);
    CALL0(dll.PortEnd);
    BeginCapture();
    CALL(dll.PortInit, RegisterRows[r].Board);
    EndCapture();
    for (size_t k = 0; k < rows; ++k) {
      unsigned short control = ControlOf(&RegisterRows[k]);
      unsigned short expected = control == ControlOf(&RegisterRows[r]) ? CtrlEnable : 0;
      unsigned short seen = CALL(dll.InpB, control);
      Check(seen == expected, "PortInit(%d): byte at 0x%X is %u, expected %u", RegisterRows[r].Board, control,
            seen, expected);
    }
  }
}

static void TestSimulatedStartup(void) {
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  const char* text = EndCapture();
  Check(opened != 0, "PortInit opens the simulated driver");
  Check(strcmp(text, "DOVEVED PCI card found!\n") == 0,
        "PortInit prints \"DOVEVED PCI card found!\\n\" (printed \"%s\")", text);
  Check(CALL(dll.Test, 0) == 0xFFFF, "Test gives 0xFFFF after PortInit");
  Check(CALL(dll.InpB, Pc98Machine() ? 0xD4 : 0x314) == CtrlEnable,
        "PortInit leaves the enable byte in CtrlReg");
}

/* Raw accesses against the board's register file: a value written is read
 * back at the same offset, in every width. */
static void TestSimulatedRaw(void) {
  CALLV(dll.OutB, 0x201, 0x5A);
  CALLV(dll.OutB, 0x200, 0x1A5);
  Check(CALL(dll.InpB, 0x200) == 0xA5, "OutB writes the low 8 bits of its value");
  Check(CALL(dll.InpB, 0x201) == 0x5A, "OutB writes one byte only");

  CALLV(dll.OutW, 0x204, 0xBEEF);
  Check(CALL(dll.InpW, 0x204) == 0xBEEF, "InpW reads back the word OutW wrote");
  Check(CALL(dll.InpB, 0x204) == 0xEF && CALL(dll.InpB, 0x205) == 0xBE,
        "the word lies little-endian in the board's registers");

  CALLV(dll.OutD, 0x208, 0x89ABCDEFul);
  Check(CALL(dll.InpD, 0x208) == 0x89ABCDEFul, "InpD reads back all 32 bits");
  Check(CALL(dll.InpW, 0x20A) == 0x89AB, "InpW reads the high word of the double word");

  InpWideFn inpWide = (InpWideFn)(void*)dll.InpW;
  OutWideFn outWide = (OutWideFn)(void*)dll.OutB;
  Check((CALL(inpWide, 0xFFFF0204ul) & 0xFFFF) == 0xBEEF, "InpW uses the low half of the offset's slot");
  CALLV(outWide, 0x77770210ul, 0xFFFF0133ul);
  Check(CALL(dll.InpB, 0x210) == 0x33, "OutB uses the low halves of its slots");

  TestRegisterSetChoice();

  Check(CALL0(dll.PortEnd) != 0, "PortEnd reports the driver handle closed");
  Check(CALL(dll.InpB, 0x200) == 0, "after PortEnd raw reads give 0");
  Check(CALL(dll.Test, 0) == 0xFFFF, "after PortEnd Test still gives 0xFFFF");
}

void TestStartupAndRaw(void) {
  TestProbes();
  TestRawBeforeInit();
  if (simulated) {
    TestSimulatedStartup();
    TestSimulatedRaw();
  } else {
    TestShippedStartup();
  }
}
