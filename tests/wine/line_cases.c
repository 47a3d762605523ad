/* The line-test controls: serial devices, tick waits and exchange switching. */
#include <stddef.h>
#include <stdint.h>

#include "cases.h"
#include "harness.h"
#include "host_board.h"
#include "host_exports.h"

/* ---- Serial device controls --------------------------------------------- */

enum Control {
  Freq1,
  Freq2,
  Freq3,
  Level,
  Direct,
  SignalSwitch,
  BellDA,
  Relay,
  RelayAll,
  Current,
  CurrentWide
};

struct ControlCase {
  enum Control Control;
  const char* Name;
  unsigned short Port;   /* the serial port it drives */
  unsigned short Before; /* written to the port first */
  unsigned short After;  /* the port's read-back afterwards */
};
static const struct ControlCase ControlCases[] = {
    {Freq1, "ContFreq(1, 0x0001)", 37, 0x5A, 0},          {Freq2, "ContFreq(2, 0xFFFF)", 37, 0xFF, 0},
    {Freq3, "ContFreq(3, 0x1234)", 37, 0x5A, 0},          {Level, "ContLevel(0x7F7F)", 37, 0x10, 0},
    {Direct, "ContDirect(0xA5C3)", 37, 0x20, 0},          {SignalSwitch, "ContSigSW(0x1234)", 37, 0x40, 0},
    {BellDA, "ContBellDA(0xFFFF)", 37, 0x80, 0},          {Relay, "ContRelay(0x1234)", 36, 0xC5, 0xC0},
    {RelayAll, "ContRelay(0xFFFF)", 36, 0x3F, 0x00},      {Current, "LineCurrent(0x00FF)", 36, 0x1FF, 0xC0},
    {CurrentWide, "LineCurrent(0x1245)", 36, 0x45, 0x40},
};

static void CallControl(enum Control control) {
  switch (control) {
    case Freq1: CALLV(dll.ContFreq, 1, 0x0001); break;
    case Freq2: CALLV(dll.ContFreq, 2, 0xFFFF); break;
    case Freq3: CALLV(dll.ContFreq, 3, 0x1234); break;
    case Level: CALLV(dll.ContLevel, 0x7F7F); break;
    case Direct: CALLV(dll.ContDirect, 0xA5C3); break;
    case SignalSwitch: CALLV(dll.ContSigSW, 0x1234); break;
    case BellDA: CALLV(dll.ContBellDA, 0xFFFF); break;
    case Relay: CALLV(dll.ContRelay, 0x1234); break;
    case RelayAll: CALLV(dll.ContRelay, 0xFFFF); break;
    case Current: CALLV(dll.LineCurrent, 0x00FF); break;
    case CurrentWide: CALLV(dll.LineCurrent, 0x1245); break;
  }
}

/* Each control leaves its own port at its idle value (0 on port 37, the kept
 * bits 6 and 7 on port 36) and the other serial port as it was. */
void TestSerialControls(void) {
  OpenSimulatedBoard();
  for (size_t i = 0; i < sizeof ControlCases / sizeof ControlCases[0]; ++i) {
    const struct ControlCase* c = &ControlCases[i];
    unsigned short other = c->Port == 36 ? 37 : 36;
    unsigned short otherValue = (unsigned short)(0x0300 + i);
    CALL(dll.PortOut, other, otherValue);
    CALL(dll.PortOut, c->Port, c->Before);
    CallControl(c->Control);
    unsigned short after = CALL(dll.PortQinp, c->Port);
    Check(after == c->After, "%s after 0x%X leaves port %u at 0x%X, expected 0x%X", c->Name, c->Before,
          c->Port, after, c->After);
    Check(CALL(dll.PortQinp, other) == otherValue, "%s leaves port %u alone", c->Name, other);
    CheckWriteEnded(c->Name);
  }
}

/* ---- Tick waits --------------------------------------------------------- */

enum { TickWaitAborted = 0x8000 };

void TestTickWaits(void) {
  if (!simulated) {
    /* No driver, so no board: the waits end at once, HdTimer as if Escape
     * had been pressed, instead of waiting for ticks that never come. */
    static const uint32_t Waits[] = {1, 5};
    for (size_t i = 0; i < sizeof Waits / sizeof Waits[0]; ++i) {
      unsigned short status = CALL(dll.HdTimer, Waits[i]);
      Check(status == 0x8000, "HdTimer(%u) without a board ends with status 0x%X, expected 0x8000",
            (unsigned)Waits[i], status);
    }
    CALLV(dll.Click, 3);
    return;
  }
  OpenSimulatedBoard();
  static const uint32_t TickCounts[] = {0, 1, 2, 5};
  for (size_t i = 0; i < sizeof TickCounts / sizeof TickCounts[0]; ++i) {
    unsigned short status = CALL(dll.HdTimer, TickCounts[i]);
    Check(status == 0, "HdTimer(%u) ends with status 0x%X, expected 0", (unsigned)TickCounts[i], status);
  }

  struct ClickCase {
    uint32_t Ticks;
    unsigned short Before;
    unsigned short After;
  };
  /* Bit 0 of port 35 ends low; bits 1-7 stay, bits 8-15 are dropped. */
  static const struct ClickCase Clicks[] = {{1, 0x01F7, 0x00F6}, {7, 0x000B, 0x000A}, {0, 0, 0}};
  for (size_t i = 0; i < sizeof Clicks / sizeof Clicks[0]; ++i) {
    CALL(dll.PortOut, 35, Clicks[i].Before);
    CALLV(dll.Click, Clicks[i].Ticks);
    unsigned short after = CALL(dll.PortQinp, 35);
    Check(after == Clicks[i].After, "Click(%u) after 0x%X leaves port 35 at 0x%X, expected 0x%X",
          (unsigned)Clicks[i].Ticks, Clicks[i].Before, after, Clicks[i].After);
    CheckWriteEnded("Click");
  }
}

/* ---- Exchange switching ------------------------------------------------- */

void TestExchange(void) {
  OpenSimulatedBoard();
  enum { Refused = 0xFFFF };
  static const char* const RefusedPatterns[] = {"A5123489AG", "A5123489A",  "A512 489AB",
                                                "A5123:89AB", "G5123489AB", NULL};
  CALL(dll.PortOut, 36, 0xC5);
  if (simulated) WriteRegister(DataReg, 0x77);
  for (size_t i = 0; i < sizeof RefusedPatterns / sizeof RefusedPatterns[0]; ++i) {
    const char* pattern = RefusedPatterns[i];
    unsigned short result = CALL(dll.ExchgLine, 0, pattern);
    Check(result == Refused, "ExchgLine(0, %s%s%s) gives 0x%X, expected 0xFFFF", pattern ? "\"" : "",
          pattern ? pattern : "NULL", pattern ? "\"" : "", result);
  }
  Check(CALL(dll.PortQinp, 36) == 0xC5, "a RefusedPatterns pattern leaves port 36 alone");
  if (simulated) Check(ReadRegister(DataReg) == 0x77, "a RefusedPatterns pattern touches no register");

  struct Accepted {
    unsigned short Mode;
    const char* Pattern;
  };
  static const struct Accepted AcceptedPatterns[] = {
      {0, "A5123489AB"}, {1, "a5123489abZ"}, {0xFFFF, "0123456789"}};
  for (size_t i = 0; i < sizeof AcceptedPatterns / sizeof AcceptedPatterns[0]; ++i) {
    CALL(dll.PortOut, 36, 0x1C5);
    unsigned short result = CALL(dll.ExchgLine, AcceptedPatterns[i].Mode, AcceptedPatterns[i].Pattern);
    unsigned short after = CALL(dll.PortQinp, 36);
    Check(result == 0 && after == 0xC0,
          "ExchgLine(%u, \"%s\") gives 0x%X and leaves port 36 at 0x%X (expected 0, 0xC0)",
          AcceptedPatterns[i].Mode, AcceptedPatterns[i].Pattern, result, after);
    CheckWriteEnded("ExchgLine");
  }
}
