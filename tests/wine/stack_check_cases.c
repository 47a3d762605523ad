/* The stack check itself: it must see a callee that removes the wrong
 * number of bytes, or it proves nothing. */
#include <stdio.h>

#include "cases.h"
#include "harness.h"
#include "host_exports.h"

#if HOST_STACK_CHECK

static int HOST_CALL OwnStdcall(int a, int b, int c) { return a + b + c; }
static int HOST_CDECL OwnCdecl(int a, int b) { return a - b; }
typedef int(HOST_CALL* ThreeArgumentsFn)(int, int, int);
typedef int(HOST_CALL* TwoArgumentsFn)(int, int);
/* Test2 takes one argument (4 bytes); this declaration says 8. */
typedef unsigned short(HOST_CALL* Test2TwoArgumentsFn)(unsigned char*, int);

/* The thunk is armed and called by hand here, so that these deliberate
 * mismatches are not counted against the exports. */
void TestStackCheck(void) {
  ThreeArgumentsFn own = OwnStdcall;
  int sum = CALL(own, 1, 2, 3);
  Check(sum == 6 && RemovedBytes() == 12, "the thunk passes arguments and sees 12 bytes removed");

  TwoArgumentsFn misdeclared = (TwoArgumentsFn)(void*)OwnCdecl;
  ArmCall((void*)misdeclared, 8);
  int difference = HOST_THUNK(misdeclared)(7, 2);
  Check(difference == 5 && RemovedBytes() == 0, "a cdecl function declared __stdcall is caught (removed %u)",
        RemovedBytes());

  if (dll.Test2 == NULL) return;
  unsigned char buffer[16];
  Test2TwoArgumentsFn wrong = (Test2TwoArgumentsFn)(void*)dll.Test2;
  ArmCall((void*)wrong, 8);
  HOST_THUNK(wrong)(buffer, 0);
  Check(RemovedBytes() == 4, "Test2 declared with two arguments is caught (removed %u of 8)", RemovedBytes());
}

/* Through the same checked call as every export: the mismatch is counted,
 * and the run ends failed. */
void CallMisdeclaredExport(void) {
  unsigned char buffer[16];
  Test2TwoArgumentsFn misdeclaredTest2 = (Test2TwoArgumentsFn)(void*)dll.Test2;
  CALL(misdeclaredTest2, buffer, 0);
}

#else

void TestStackCheck(void) {
  printf("note: no stack check: on this architecture the caller removes the arguments\n");
}

void CallMisdeclaredExport(void) {}

#endif
