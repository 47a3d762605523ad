/* The host program's own small test harness, in plain C: checks and their
 * counts, the capture of what the library prints, and calls that check the
 * stack (on 32-bit x86, where the callee removes its arguments). */
#ifndef LINEIO_WINE_HARNESS_H
#define LINEIO_WINE_HARNESS_H

#include <stdint.h>

#include "host_call.h"

/* ---- Checks ------------------------------------------------------------- */

/* Counts a passed check, or prints "FAIL: " and the message and counts a
 * failed one. */
void Check(int ok, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
int FailedChecks(void);
/* Prints "N passed, N failed" and gives the exit code: 0 when none failed. */
int Summary(void);

/* ---- Standard output of the library ------------------------------------- */

/* The library shares the C runtime with this program, so its standard output
 * is caught by pointing descriptor 1 at a file for the length of a call.
 * EndCapture gives what was printed (the first 1023 bytes); the text lives
 * until the next capture. */
void BeginCapture(void);
const char* EndCapture(void);

/* ---- Calls with a stack check ------------------------------------------- */

#if HOST_STACK_CHECK

/* A thunk takes the place of the callee: it keeps the return address,
 * records the stack pointer as the callee sees it, calls the callee, records
 * the stack pointer again and returns to the caller with the stack as the
 * declaration promised, whatever the callee did. ArmCall names the callee and
 * the bytes of arguments that its declaration gives; VerifyCall then counts a
 * call whose callee removed another number of bytes as a failure. */
void ArmCall(void* target, unsigned declaredBytes);
unsigned RemovedBytes(void);
void VerifyCall(const char* name);
/* Every checked call so far removed exactly its declared arguments. */
void CheckEveryCallRemovedItsArguments(void);
/* A checked call has gone to this callee. */
int StackChecked(void* target);
void* StackCheckedThunk(void);

#define HOST_NARGS(...) HOST_NARGS_(__VA_ARGS__, 9, 8, 7, 6, 5, 4, 3, 2, 1)
#define HOST_NARGS_(a1, a2, a3, a4, a5, a6, a7, a8, a9, n, ...) n
/* Every argument of the exports takes one 4-byte stack slot. */
#define HOST_THUNK(fn) ((__typeof__(fn))StackCheckedThunk())

/* CALL gives the callee's result, CALLV calls one without; ...0 take no
 * argument. */
#define CALL(fn, ...)                                                       \
  ({                                                                        \
    ArmCall((void*)(fn), 4 * HOST_NARGS(__VA_ARGS__));                      \
    __typeof__((fn)(__VA_ARGS__)) callResult = HOST_THUNK(fn)(__VA_ARGS__); \
    VerifyCall(#fn);                                                        \
    callResult;                                                             \
  })
#define CALL0(fn)                                     \
  ({                                                  \
    ArmCall((void*)(fn), 0);                          \
    __typeof__((fn)()) callResult = HOST_THUNK(fn)(); \
    VerifyCall(#fn);                                  \
    callResult;                                       \
  })
#define CALLV(fn, ...)                                 \
  do {                                                 \
    ArmCall((void*)(fn), 4 * HOST_NARGS(__VA_ARGS__)); \
    HOST_THUNK(fn)(__VA_ARGS__);                       \
    VerifyCall(#fn);                                   \
  } while (0)
#define CALLV0(fn)           \
  do {                       \
    ArmCall((void*)(fn), 0); \
    HOST_THUNK(fn)();        \
    VerifyCall(#fn);         \
  } while (0)

#else /* the caller removes the arguments: plain calls */

#define CALL(fn, ...) ((fn)(__VA_ARGS__))
#define CALL0(fn) ((fn)())
#define CALLV(fn, ...) ((fn)(__VA_ARGS__))
#define CALLV0(fn) ((fn)())

#endif

#endif
