/* The extension calls: how the board is reached, why the last open failed
 * and its text, the version, and the trace switch. */
#include <stdio.h>
#include <string.h>

#include "cases.h"
#include "harness.h"
#include "host_board.h"
#include "host_exports.h"

#ifndef LINEIO_EXPECTED_VERSION
#error "LINEIO_EXPECTED_VERSION comes from the project version (tests/wine/CMakeLists.txt)"
#endif

enum { AccessNone = 0, AccessIo = 2, FailureNone = 0, FailureNoDriver = 1 };

static const char NoDriverText[] = "Cannot open WinDriver device\n";
static const char TracePath[] = "host-trace.txt";

/* The shipped library finds no driver: the failure, its code and its text. */
static void TestNoDriver(void) {
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  EndCapture();
  Check(opened == 0, "PortInit without a driver gives 0");
  Check(CALL0(dll.LineioBoardAccess) == AccessNone, "no board is open");
  int code = CALL0(dll.LineioLastFailure);
  Check(code == FailureNoDriver, "LineioLastFailure gives 1, no driver (got %d)", code);
  int length = CALL(dll.LineioFailureText, (char*)0, 0);
  Check(length == (int)strlen(NoDriverText), "the failure text has the message's length (got %d)", length);
  char text[64];
  memset(text, 'x', sizeof text);
  Check(CALL(dll.LineioFailureText, text, (int)sizeof text) == length && strcmp(text, NoDriverText) == 0,
        "the failure text is the message (got \"%s\")", text);
  char cut[8];
  Check(CALL(dll.LineioFailureText, cut, (int)sizeof cut) == length && strcmp(cut, "Cannot ") == 0,
        "a short buffer takes the text's beginning, NUL-terminated (got \"%s\")", cut);
  CALL0(dll.PortEnd);
}

/* The simulated board opens through an I/O range; PortEnd closes it. */
static void TestSimulatedBoard(void) {
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  EndCapture();
  Check(opened == 1, "PortInit opens the simulated board");
  int access = CALL0(dll.LineioBoardAccess);
  Check(access == AccessIo, "the board is reached through an I/O range (got %d)", access);
  Check(CALL0(dll.LineioLastFailure) == FailureNone && CALL(dll.LineioFailureText, (char*)0, 0) == 0,
        "an open that worked leaves no failure");
  CALL0(dll.PortEnd);
  Check(CALL0(dll.LineioBoardAccess) == AccessNone, "after PortEnd no board is open");
}

/* A trace to a file: its first line and the call made while it ran. */
static void TestTraceSwitch(void) {
  Check(CALL(dll.LineioTrace, ".") == 0, "a directory is refused as a trace file");
  Check(CALL(dll.LineioTrace, TracePath) == 1, "LineioTrace starts a trace to %s", TracePath);
  CALLV(dll.OutB, 0x300, 0x5A);
  Check(CALL(dll.LineioTrace, (const char*)0) == 1, "LineioTrace(NULL) stops it");
  FILE* file = fopen(TracePath, "r");
  char content[512] = {0};
  if (file != NULL) {
    fread(content, 1, sizeof content - 1, file);
    fclose(file);
  }
  Check(strstr(content, " ! lineio " LINEIO_EXPECTED_VERSION " trace of the ") != NULL,
        "the trace begins with its header line");
  Check(strstr(content, " > OutB 768 90\n") != NULL, "the trace holds the call made while it ran");
  remove(TracePath);
}

void TestStatusAndTrace(void) {
  const char* version = CALL0(dll.LineioVersion);
  Check(version != NULL && strcmp(version, LINEIO_EXPECTED_VERSION) == 0, "LineioVersion gives %s (got %s)",
        LINEIO_EXPECTED_VERSION, version != NULL ? version : "NULL");
  if (simulated) {
    TestSimulatedBoard();
  } else {
    TestNoDriver();
  }
  TestTraceSwitch();
}
