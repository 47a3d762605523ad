/* The host program's harness: checks, output capture and the stack check. */
#include "harness.h"

#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include "win_shim.h"
#endif

/* ---- Checks ------------------------------------------------------------- */

static int passed;
static int failed;

void Check(int ok, const char* format, ...) {
  if (ok) {
    ++passed;
    return;
  }
  ++failed;
  va_list args;
  va_start(args, format);
  printf("FAIL: ");
  vprintf(format, args);
  printf("\n");
  va_end(args);
}

int FailedChecks(void) { return failed; }

int Summary(void) {
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

/* ---- Standard output of the library ------------------------------------- */

static const char CaptureFile[] = "lineio-host-capture.tmp";
static int savedStdout = -1;
static char captured[1024];

void BeginCapture(void) {
  fflush(stdout);
  savedStdout = _dup(1);
  int file = _open(CaptureFile, _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
  _dup2(file, 1);
  _close(file);
}

const char* EndCapture(void) {
  fflush(stdout);
  _dup2(savedStdout, 1);
  _close(savedStdout);
  FILE* in = fopen(CaptureFile, "r");
  size_t length = in != NULL ? fread(captured, 1, sizeof captured - 1, in) : 0;
  captured[length] = '\0';
  if (in != NULL) fclose(in);
  remove(CaptureFile);
  return captured;
}

/* ---- Calls with a stack check ------------------------------------------- */

#if HOST_STACK_CHECK

/* The thunk's state lives in plain globals that its assembly names. */
void* callTarget __asm__("lineio_call_target");
uintptr_t callReturn __asm__("lineio_call_return");
uintptr_t callEspBefore __asm__("lineio_call_esp_before");
uintptr_t callEspAfter __asm__("lineio_call_esp_after");
uintptr_t callDeclaredBytes __asm__("lineio_call_declared_bytes");
void StackCheckedCall(void) __asm__("lineio_stack_checked_call");
__asm__(
    ".text\n"
    ".globl lineio_stack_checked_call\n"
    "lineio_stack_checked_call:\n"
    "  popl lineio_call_return\n"
    "  movl %esp, lineio_call_esp_before\n"
    "  call *lineio_call_target\n"
    "  movl %esp, lineio_call_esp_after\n"
    "  movl lineio_call_esp_before, %esp\n"
    "  addl lineio_call_declared_bytes, %esp\n"
    "  jmp *lineio_call_return\n");

static int stackChecks;
static int stackMismatches;
/* The callees that checked calls went to, each once. */
enum { MaxCheckedTargets = 64 };
static void* checkedTargets[MaxCheckedTargets];
static int checkedTargetCount;

/* Reached through a variable, so that the compiler sees only a pointer. */
static void* volatile stackCheckedCall = (void*)StackCheckedCall;

void* StackCheckedThunk(void) { return stackCheckedCall; }

void ArmCall(void* target, unsigned declaredBytes) {
  callTarget = target;
  callDeclaredBytes = declaredBytes;
}

unsigned RemovedBytes(void) { return (unsigned)(callEspAfter - callEspBefore); }

int StackChecked(void* target) {
  for (int i = 0; i < checkedTargetCount; ++i)
    if (checkedTargets[i] == target) return 1;
  return 0;
}

void VerifyCall(const char* name) {
  ++stackChecks;
  if (!StackChecked(callTarget) && checkedTargetCount < MaxCheckedTargets)
    checkedTargets[checkedTargetCount++] = callTarget;
  if (RemovedBytes() != callDeclaredBytes) {
    ++stackMismatches;
    printf("FAIL: %s removed %u bytes of arguments, its declaration %u\n", name, RemovedBytes(),
           (unsigned)callDeclaredBytes);
  }
}

void CheckEveryCallRemovedItsArguments(void) {
  Check(stackMismatches == 0, "every export removed exactly its arguments (%d calls, %d wrong)", stackChecks,
        stackMismatches);
}

#endif
