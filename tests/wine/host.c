/* A 32-bit Windows host for Kestrel.dll and Merlin.dll, run under Wine.
 *
 * It does what a host application does: LoadLibraryA, GetProcAddress by the
 * plain name, and calls through __stdcall function pointers declared the way
 * such an application declares them (16-bit arguments and results in 32-bit
 * slots). On 32-bit x86 every call goes through a thunk that measures how many
 * bytes of arguments the callee removed from the stack.
 *
 * The same program also builds natively (win_shim.h) and runs against the
 * Linux shared libraries. There the caller removes the arguments, so there is
 * no stack check; everything else is checked alike.
 *
 * usage: host.exe DLL shipped|simulated [FFT-OUTPUT]
 *   DLL        Kestrel.dll or Merlin.dll (libkestrel*.so, libmerlin*.so):
 *              the file name tells which board the library drives
 *   shipped    the DLL as delivered; no kernel driver is present
 *   simulated  the test build with the simulated driver inside
 *   FFT-OUTPUT file that receives the transform cases (fft_cases.c)
 *
 * The last line is "N passed, N failed"; the exit code is 1 on any failure. */
#include <ctype.h>
#include <fcntl.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include "win_shim.h"
#endif

#include "expected_exports.h"
#include "fft_cases.h"

/* ---- Results ------------------------------------------------------------ */

static int passed;
static int failed;

static void Check(int ok, const char* format, ...) {
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

/* ---- Calls with a stack check ------------------------------------------- */

#if defined(__i386__)
#define HOST_STACK_CHECK 1
#else
#define HOST_STACK_CHECK 0
#endif

#if HOST_STACK_CHECK

/* The thunk takes the place of the export in the call: it keeps the return
 * address, records the stack pointer as the export will see it, calls the
 * export, records the stack pointer again and returns to the caller with the
 * stack as the declaration promised, whatever the export did. */
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

static void ArmCall(void* target, unsigned declaredBytes) {
  callTarget = target;
  callDeclaredBytes = declaredBytes;
}

static unsigned RemovedBytes(void) { return (unsigned)(callEspAfter - callEspBefore); }

static void VerifyCall(const char* name) {
  ++stackChecks;
  if (RemovedBytes() != callDeclaredBytes) {
    ++stackMismatches;
    printf("FAIL: %s removed %u bytes of arguments, its declaration %u\n", name, RemovedBytes(),
           (unsigned)callDeclaredBytes);
  }
}

#define NARGS(...) NARGS_(__VA_ARGS__, 9, 8, 7, 6, 5, 4, 3, 2, 1)
#define NARGS_(a1, a2, a3, a4, a5, a6, a7, a8, a9, n, ...) n
/* Reached through a variable, so that the compiler sees only a pointer. */
static void* volatile stackCheckedCall = (void*)StackCheckedCall;
#define THUNK(fn) ((__typeof__(fn))stackCheckedCall)

/* CALL gives the export's result, CALLV calls one without; ...0 take no argument. */
#define CALL(fn, ...)                                               \
  ({                                                                \
    ArmCall((void*)(fn), 4 * NARGS(__VA_ARGS__));                   \
    __typeof__((fn)(__VA_ARGS__)) result_ = THUNK(fn)(__VA_ARGS__); \
    VerifyCall(#fn);                                                \
    result_;                                                        \
  })
#define CALL0(fn)                             \
  ({                                          \
    ArmCall((void*)(fn), 0);                  \
    __typeof__((fn)()) result_ = THUNK(fn)(); \
    VerifyCall(#fn);                          \
    result_;                                  \
  })
#define CALLV(fn, ...)                            \
  do {                                            \
    ArmCall((void*)(fn), 4 * NARGS(__VA_ARGS__)); \
    THUNK(fn)(__VA_ARGS__);                       \
    VerifyCall(#fn);                              \
  } while (0)
#define CALLV0(fn)           \
  do {                       \
    ArmCall((void*)(fn), 0); \
    THUNK(fn)();             \
    VerifyCall(#fn);         \
  } while (0)

#else /* the caller removes the arguments: plain calls */

#define CALL(fn, ...) ((fn)(__VA_ARGS__))
#define CALL0(fn) ((fn)())
#define CALLV(fn, ...) ((fn)(__VA_ARGS__))
#define CALLV0(fn) ((fn)())

#endif

/* ---- The exports, as a host application declares them ------------------ */

typedef int(__stdcall* PortInitFn)(int board);
typedef int(__stdcall* PortEndFn)(void);
typedef int(__stdcall* CheckPCtypeFn)(void);
typedef unsigned short(__stdcall* TestFn)(int unused);
typedef unsigned short(__stdcall* Test2Fn)(unsigned char* buffer);
typedef unsigned short(__stdcall* InpFn)(unsigned short offset);
typedef uint32_t(__stdcall* InpDFn)(unsigned short offset);
typedef void(__stdcall* OutFn)(unsigned short offset, unsigned short value);
typedef void(__stdcall* OutDFn)(unsigned short offset, uint32_t value);
typedef void(__stdcall* ConvertFn)(const void* source, void* destination, unsigned short count);

typedef int(__stdcall* PortOutFn)(unsigned short port, unsigned short value);
typedef unsigned short(__stdcall* PortInFn)(unsigned short port);
typedef void(__stdcall* NoArgumentFn)(void);
typedef int(__stdcall* BitFn)(unsigned short port, unsigned short bit);
typedef unsigned short(__stdcall* TestBitFn)(unsigned short port, unsigned short bit);
typedef void(__stdcall* BlockFn)(unsigned short port, unsigned short* block);
typedef void(__stdcall* TwoWordFn)(unsigned short mode, unsigned short word);
typedef void(__stdcall* OneWordFn)(unsigned short value);
typedef unsigned short(__stdcall* TickWaitFn)(uint32_t ticks);
typedef void(__stdcall* ClickFn)(uint32_t ticks);
typedef unsigned short(__stdcall* ExchangeFn)(unsigned short mode, const char* pattern);

/* The same exports declared with a full 32-bit slot, as hosts whose integer
 * is 32 bits declare them: the library must use the low half only. */
typedef uint32_t(__stdcall* InpWideFn)(uint32_t offset);
typedef void(__stdcall* OutWideFn)(uint32_t offset, uint32_t value);
typedef void(__stdcall* ConvertWideFn)(const void* source, void* destination, uint32_t count);
typedef int(__stdcall* PortOutWideFn)(uint32_t port, uint32_t value);

struct Exports {
  PortInitFn PortInit;
  PortEndFn PortEnd;
  CheckPCtypeFn CheckPCtype;
  TestFn Test;
  Test2Fn Test2;
  InpFn InpB;
  InpFn InpW;
  InpDFn InpD;
  OutFn OutB;
  OutFn OutW;
  OutDFn OutD;
  PortOutFn PortOut;
  PortInFn PortQinp;
  PortInFn PortIinp;
  NoArgumentFn AllOutClear;
  BitFn BitOn;
  BitFn BitOff;
  TestBitFn TestQbit;
  TestBitFn TestIbit;
  BlockFn GetIOBlockData;
  TwoWordFn ContFreq;
  OneWordFn ContLevel;
  OneWordFn ContDirect;
  OneWordFn ContSigSW;
  OneWordFn ContBellDA;
  OneWordFn ContRelay;
  OneWordFn LineCurrent;
  TickWaitFn HdTimer;
  ClickFn Click;
  ExchangeFn ExchgLine;
  FftTablesFn FFTK32;
  FftFn FFT32;
  SpectrumFn FFTP32;
  ConvertFn CHRVAL1;
  ConvertFn CHRVAL2;
  ConvertFn VALCHR1;
  ConvertFn VALCHR2;
};

static struct Exports dll;
static HMODULE module;
static int simulated;

#define RESOLVE(name) (dll.name = (__typeof__(dll.name))(void*)GetProcAddress(module, #name))

static void ResolveAll(void) {
  RESOLVE(PortInit);
  RESOLVE(PortEnd);
  RESOLVE(CheckPCtype);
  RESOLVE(Test);
  RESOLVE(Test2);
  RESOLVE(InpB);
  RESOLVE(InpW);
  RESOLVE(InpD);
  RESOLVE(OutB);
  RESOLVE(OutW);
  RESOLVE(OutD);
  RESOLVE(PortOut);
  RESOLVE(PortQinp);
  RESOLVE(PortIinp);
  RESOLVE(AllOutClear);
  RESOLVE(BitOn);
  RESOLVE(BitOff);
  RESOLVE(TestQbit);
  RESOLVE(TestIbit);
  RESOLVE(GetIOBlockData);
  RESOLVE(ContFreq);
  RESOLVE(ContLevel);
  RESOLVE(ContDirect);
  RESOLVE(ContSigSW);
  RESOLVE(ContBellDA);
  RESOLVE(ContRelay);
  RESOLVE(LineCurrent);
  RESOLVE(HdTimer);
  RESOLVE(Click);
  RESOLVE(ExchgLine);
  RESOLVE(FFTK32);
  RESOLVE(FFT32);
  RESOLVE(FFTP32);
  RESOLVE(CHRVAL1);
  RESOLVE(CHRVAL2);
  RESOLVE(VALCHR1);
  RESOLVE(VALCHR2);
}

/* Every export of the list that the build expects must be there, and the
 * host must know it (a name the host has never heard of is a new export
 * whose family still needs its tests here). */
static void CheckExportList(void) {
  static const char* const known[] = {
      "PortInit",    "PortEnd",    "CheckPCtype", "Test",       "Test2",     "InpB",           "InpW",
      "InpD",        "OutB",       "OutW",        "OutD",       "PortOut",   "PortQinp",       "PortIinp",
      "AllOutClear", "BitOn",      "BitOff",      "TestQbit",   "TestIbit",  "GetIOBlockData", "ContFreq",
      "ContLevel",   "ContDirect", "ContSigSW",   "ContBellDA", "ContRelay", "LineCurrent",    "HdTimer",
      "Click",       "ExchgLine",  "FFTK32",      "FFT32",      "FFTP32",    "CHRVAL1",        "CHRVAL2",
      "VALCHR1",     "VALCHR2"};
  for (size_t i = 0; i < sizeof ExpectedExports / sizeof ExpectedExports[0]; ++i) {
    const char* name = ExpectedExports[i];
    int isKnown = 0;
    for (size_t k = 0; k < sizeof known / sizeof known[0]; ++k) isKnown |= strcmp(known[k], name) == 0;
    if (!isKnown) printf("note: export %s has no tests in this host yet\n", name);
    Check(GetProcAddress(module, name) != NULL, "export %s is missing", name);
  }
}

/* ---- Standard output of the library ------------------------------------- */

/* The library shares the C runtime with this program, so its standard output
 * can be caught by pointing descriptor 1 at a file for the length of a call. */
static const char CaptureFile[] = "lineio-host-capture.tmp";
static int savedStdout = -1;
static char captured[1024];

static void BeginCapture(void) {
  fflush(stdout);
  savedStdout = _dup(1);
  int file = _open(CaptureFile, _O_WRONLY | _O_CREAT | _O_TRUNC, _S_IREAD | _S_IWRITE);
  _dup2(file, 1);
  _close(file);
}

static const char* EndCapture(void) {
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

/* ---- The stack check itself --------------------------------------------- */

#if HOST_STACK_CHECK
static int __stdcall OwnStdcall(int a, int b, int c) { return a + b + c; }
static int __cdecl OwnCdecl(int a, int b) { return a - b; }
typedef int(__stdcall* ThreeArgumentsFn)(int, int, int);
typedef int(__stdcall* TwoArgumentsFn)(int, int);
typedef unsigned short(__stdcall* Test2TwoArgumentsFn)(unsigned char*, int);

/* A check that cannot fail proves nothing: the thunk must see a callee that
 * removes the wrong number of bytes. */
static void TestStackCheck(void) {
  ThreeArgumentsFn own = OwnStdcall;
  int sum = CALL(own, 1, 2, 3);
  Check(sum == 6 && RemovedBytes() == 12, "the thunk passes arguments and sees 12 bytes removed");

  TwoArgumentsFn misdeclared = (TwoArgumentsFn)(void*)OwnCdecl;
  ArmCall((void*)misdeclared, 8);
  int difference = THUNK(misdeclared)(7, 2);
  Check(difference == 5 && RemovedBytes() == 0, "a cdecl function declared __stdcall is caught (removed %u)",
        RemovedBytes());

  if (dll.Test2 == NULL) return;
  unsigned char buffer[16];
  Test2TwoArgumentsFn wrong = (Test2TwoArgumentsFn)(void*)dll.Test2;
  ArmCall((void*)wrong, 8);
  THUNK(wrong)(buffer, 0);
  Check(RemovedBytes() == 4, "Test2 declared with two arguments is caught (removed %u of 8)", RemovedBytes());
}
#else
static void TestStackCheck(void) {
  printf("note: no stack check: on this architecture the caller removes the arguments\n");
}
#endif

/* ---- Start-up, shutdown and probes -------------------------------------- */

static int Pc98Machine(void) {
  int subtype = GetKeyboardType(1);
  return subtype >= 0x0D01 && subtype <= 0x0D04;
}

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
  int board;
  unsigned short atControl;
  unsigned short pc98Control;
};
static const struct RegisterRow registerRows[] = {
    {0, 0x314, 0xD4}, {1, 0x31C, 0xDC}, {2, 0x304, 0xC4},
    {3, 0x30C, 0xCC}, {5, 0x30C, 0xCC}, {-1, 0x30C, 0xCC},
};
enum { CtrlEnable = 4 };

static unsigned short ControlOf(const struct RegisterRow* row) {
  return Pc98Machine() ? row->pc98Control : row->atControl;
}

/* PortInit ends with the enable byte in CtrlReg of the chosen register set;
 * the simulated board keeps every byte written to its range. */
static void TestRegisterSetChoice(void) {
  size_t rows = sizeof registerRows / sizeof registerRows[0];
  for (size_t r = 0; r < rows; ++r) {
    for (size_t k = 0; k < rows; ++k) CALLV(dll.OutB, ControlOf(&registerRows[k]), 0);
    CALL0(dll.PortEnd);
    BeginCapture();
    CALL(dll.PortInit, registerRows[r].board);
    EndCapture();
    for (size_t k = 0; k < rows; ++k) {
      unsigned short control = ControlOf(&registerRows[k]);
      unsigned short expected = control == ControlOf(&registerRows[r]) ? CtrlEnable : 0;
      unsigned short seen = CALL(dll.InpB, control);
      Check(seen == expected, "PortInit(%d): byte at 0x%X is %u, expected %u", registerRows[r].board, control,
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

static void TestStartupAndRaw(void) {
  TestProbes();
  TestRawBeforeInit();
  if (simulated) {
    TestSimulatedStartup();
    TestSimulatedRaw();
  } else {
    TestShippedStartup();
  }
}

/* ---- Transform and spectrum --------------------------------------------- */

static int Near(float value, double expected) {
  return fabs((double)value - expected) <= 1e-6 * fabs(expected) + 1e-12;
}

static void TestFftTables(void) {
  float cosine[9] = {-7, 0}, sine[9] = {-7, 0};
  short permutation[9] = {-7, 0};
  CALLV(dll.FFTK32, 8, cosine, sine, permutation);
  static const short expected[] = {-7, 1, 5, 3, 7, 2, 6, 4, 8};
  Check(memcmp(permutation, expected, sizeof expected) == 0, "FFTK32(8) permutation reads 1 5 3 7 2 6 4 8");
  Check(cosine[0] == -7 && sine[0] == -7, "FFTK32 leaves element 0 of the tables alone");

  CALLV(dll.FFTK32, 4, cosine, sine, permutation);
  static const double cos4[] = {1, 1.3267949e-06, -1, -3.9803849e-06};
  static const double sin4[] = {-0.0, -1, -2.6535897e-06, 1};
  for (int k = 0; k < 4; ++k) {
    Check(Near(cosine[k + 1], cos4[k]) && Near(sine[k + 1], sin4[k]),
          "FFTK32(4) element %d: cos %.8g sin %.8g", k + 1, cosine[k + 1], sine[k + 1]);
  }
  Check(signbit(sine[1]), "FFTK32(4) sine[1] is -0");
}

static void TestFftTransform(void) {
  float cosine[9], sine[9], real[9], imaginary[9];
  short permutation[9];
  CALLV(dll.FFTK32, 4, cosine, sine, permutation);
  const float impulse[5] = {0, 0, 1, 0, 0};
  CALLV(dll.FFT32, 4, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, impulse, 0);
  static const double re4[] = {1250, 0.25, 3.3169871e-07, -0.25, -3.3169871e-07};
  static const double im4[] = {0, 0, -0.25, 0, 0.25};
  for (int i = 0; i < 5; ++i) {
    Check(Near(real[i], re4[i]) && Near(imaginary[i], im4[i]),
          "FFT32(4) of an impulse, element %d: %.8g %.8g", i, real[i], imaginary[i]);
  }

  CALLV(dll.FFTK32, 8, cosine, sine, permutation);
  const float ones[9] = {0, 1, 1, 1, 1, 1, 1, 1, 1};
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, ones, 0);
  int flat = real[0] == 625 && real[1] == 1;
  for (int i = 2; i <= 8; ++i) flat &= real[i] == 0 && imaginary[i] == 0;
  Check(flat, "FFT32(8) of a constant: header 625, all in frequency 0");

  float upper[4];
  memcpy(upper, &real[5], sizeof upper);
  CALLV(dll.FFTP32, 8, real, imaginary);
  const float floor = 0.0003f;
  Check(real[0] == 625 && real[1] == 1 && real[2] == floor && real[3] == floor && real[4] == floor,
        "FFTP32(8): 625, 1, then the floor 0.0003");
  Check(memcmp(upper, &real[5], sizeof upper) == 0, "FFTP32(8) leaves elements 5..8 alone");

  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 2, ones, 0);
  Check(fabsf(real[1] - 0.54f) < 1e-5f, "Hamming window of a constant gives 0.54 (got %.8g)", real[1]);

  float samples[9] = {0, 3, -1, 4, 1, -5, 9, 2, -6};
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 1, samples, 0);
  CALLV(dll.FFT32, 8, cosine, sine, real, imaginary, (unsigned short*)permutation, 0, samples, 1);
  int back = 1;
  for (int i = 1; i <= 8; ++i) back &= fabsf(real[i] - samples[i]) < 1e-4f && fabsf(imaginary[i]) < 1e-4f;
  Check(back, "forward then inverse gives the samples back");

  float pair[3] = {-1, 3, 4};
  float pairIm[3] = {-1, 0, 0};
  CALLV(dll.FFTP32, 2, pair, pairIm);
  Check(pair[1] == 3 && pair[2] == 4, "FFTP32 of a real value gives its magnitude");
  float complexRe[2] = {3, -3}, complexIm[2] = {4, -4};
  CALLV(dll.FFTP32, 2, complexRe, complexIm);
  Check(complexRe[0] == 5 && complexRe[1] == 5, "FFTP32 of 3+4i and -3-4i gives 5");
}

/* ---- Array conversion --------------------------------------------------- */

static void TestArrayConversion(void) {
  const unsigned char bytes[6] = {0x34, 0x12, 0xFF, 0xFF, 0x01, 0x80};
  unsigned short words[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
  CALLV(dll.CHRVAL2, bytes, words, 3);
  Check(words[0] == 0x1234 && words[1] == 0xFFFF && words[2] == 0x8001 && words[3] == 0xAAAA,
        "CHRVAL2 packs little-endian pairs");

  CALLV(dll.CHRVAL1, bytes, words, 3);
  Check(words[0] == 0x34 && words[1] == 0x12 && words[2] == 0xFF && words[3] == 0xAAAA,
        "CHRVAL1 widens each byte without sign");

  const unsigned short values[3] = {0x1234, 0xFFFE, 0x00C3};
  unsigned char out[7];
  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR2, values, out, 3);
  static const unsigned char pairs[7] = {0x34, 0x12, 0xFE, 0xFF, 0xC3, 0x00, 0xEE};
  Check(memcmp(out, pairs, sizeof pairs) == 0, "VALCHR2 unpacks low byte first");

  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR1, values, out, 3);
  static const unsigned char lows[4] = {0x34, 0xFE, 0xC3, 0xEE};
  Check(memcmp(out, lows, sizeof lows) == 0, "VALCHR1 keeps the low byte of each word");

  memset(out, 0xEE, sizeof out);
  CALLV(dll.VALCHR2, values, out, 0);
  Check(out[0] == 0xEE, "a count of 0 writes nothing");

  ConvertWideFn wide = (ConvertWideFn)(void*)dll.VALCHR1;
  memset(out, 0xEE, sizeof out);
  CALLV(wide, values, out, 0xABCD0002ul);
  Check(out[0] == 0x34 && out[1] == 0xFE && out[2] == 0xEE, "the count is the low half of its slot");
}

/* ---- The board behind the library --------------------------------------- */

/* Kestrel has eight groups of ports (80-133 on a second bank), Merlin four. */
static int kestrel;
/* The simulated board is open: PortInit succeeded and no PortEnd since. */
static int boardOpen;

/* The families after start-up work on an open simulated board; the start-up
 * family ends with PortEnd, so the first of them opens it again. The shipped
 * library has no driver to open: its outputs live in the read-back memory
 * alone, and every register reads 0. */
static void OpenSimulatedBoard(void) {
  if (!simulated || boardOpen) return;
  BeginCapture();
  int opened = CALL(dll.PortInit, 0);
  EndCapture();
  boardOpen = opened != 0;
  Check(boardOpen, "PortInit(0) opens the simulated board");
}

static void CloseSimulatedBoard(void) {
  if (!boardOpen) return;
  CALL0(dll.PortEnd);
  boardOpen = 0;
}

/* The registers of board 0 through which the logical ports are driven. */
enum { DataReg, AddrReg, CtrlReg };
static unsigned short BoardRegister(int which) {
  return (unsigned short)((Pc98Machine() ? 0xD0 : 0x310) + 2 * which);
}

static unsigned short ReadRegister(int which) { return CALL(dll.InpB, BoardRegister(which)); }
static void WriteRegister(int which, unsigned short value) { CALLV(dll.OutB, BoardRegister(which), value); }

/* After every completed write DataReg and AddrReg are back at 0 and CtrlReg
 * holds the last control byte: the enable byte, with the bank bit after a
 * write to Kestrel's ports 80-133. */
enum { CtrlBank = 8 };
static void CheckWriteEndedWith(const char* what, unsigned short expectedControl) {
  if (!simulated) return;
  unsigned short data = ReadRegister(DataReg), address = ReadRegister(AddrReg);
  unsigned short control = ReadRegister(CtrlReg);
  Check(data == 0 && address == 0 && control == expectedControl,
        "%s ends with DataReg 0x%X, AddrReg 0x%X, CtrlReg 0x%X (expected 0, 0, 0x%X)", what, data, address,
        control, expectedControl);
}

static void CheckWriteEnded(const char* what) { CheckWriteEndedWith(what, CtrlEnable); }

/* The DLL's file name tells the board: Kestrel.dll, libkestrel.so.1, ... */
static int BaseNameHas(const char* path, const char* word) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  size_t length = strlen(word);
  for (; *name != '\0'; ++name) {
    size_t k = 0;
    while (k < length && name[k] != '\0' && tolower((unsigned char)name[k]) == word[k]) ++k;
    if (k == length) return 1;
  }
  return 0;
}

/* ---- Logical ports ------------------------------------------------------ */

struct PortCase {
  unsigned short port;
  unsigned short value;
  int kestrelSlot; /* PortOut's result: the read-back slot, 1 when rejected */
  int merlinSlot;
};
enum { Rejected = -1 };
static const struct PortCase portCases[] = {
    {0, 0x0A00, 0, 0},
    {1, 0x0A01, 1, 1},
    {5, 0x0005, 5, 5},
    {15, 0x0A0F, 15, 15},
    {16, 0x01FF, 16, 16},
    {21, 0x0B15, 21, 21},
    {36, 0x0B24, 26, 26},
    {37, 0x0B25, 27, 27},
    {48, 0x0B30, 28, 28},
    {69, 0x0B45, 39, 39},
    {80, 0x0C50, 40, Rejected},
    {101, 0x0C65, 51, Rejected},
    {133, 0x0C85, 63, Rejected},
    {22, 0x0D16, Rejected, Rejected},
    {70, 0x0D46, Rejected, Rejected},
    {79, 0x0D4F, Rejected, Rejected},
    {134, 0x0D86, Rejected, Rejected},
    {0xFFFF, 0x0DFF, Rejected, Rejected},
};

static int SlotOf(const struct PortCase* c) { return kestrel ? c->kestrelSlot : c->merlinSlot; }

static void TestPortWrites(void) {
  size_t count = sizeof portCases / sizeof portCases[0];
  for (size_t i = 0; i < count; ++i) {
    int slot = SlotOf(&portCases[i]);
    int result = CALL(dll.PortOut, portCases[i].port, portCases[i].value);
    int expected = slot == Rejected ? 1 : slot;
    Check(result == expected, "PortOut(%u) gives %d, expected %d", portCases[i].port, result, expected);
  }
  /* Read back only after all writes: each port keeps its own slot. */
  for (size_t i = 0; i < count; ++i) {
    unsigned short expected = SlotOf(&portCases[i]) == Rejected ? 0 : portCases[i].value;
    unsigned short seen = CALL(dll.PortQinp, portCases[i].port);
    Check(seen == expected, "PortQinp(%u) gives 0x%X, expected 0x%X", portCases[i].port, seen, expected);
  }

  PortOutWideFn wide = (PortOutWideFn)(void*)dll.PortOut;
  Check(CALL(wide, 0xFFFF0024ul, 0xABCD01C5ul) == 26 && CALL(dll.PortQinp, 36) == 0x01C5,
        "PortOut uses the low halves of its slots");
}

/* What the simulated board's registers show after writes and rejections. */
static void TestPortRegisters(void) {
  if (!simulated) return;
  CALL(dll.PortOut, 16, 0x1A5);
  CheckWriteEnded("PortOut(16)");
  CALL(dll.PortOut, 3, 0x5A);
  CheckWriteEnded("PortOut(3)");

  if (kestrel) {
    CALL(dll.PortOut, 133, 0x12);
    CheckWriteEndedWith("PortOut(133)", CtrlEnable | CtrlBank);
  }
  /* Kestrel writes the first control byte before it rejects a port, Merlin
   * rejects before touching any register. */
  WriteRegister(CtrlReg, 0);
  WriteRegister(DataReg, 0x77);
  CALL(dll.PortOut, 22, 0x33);
  unsigned short control = ReadRegister(CtrlReg);
  Check(control == (kestrel ? CtrlEnable : 0), "after a rejected PortOut(22) CtrlReg holds 0x%X", control);
  Check(ReadRegister(DataReg) == 0x77, "a rejected PortOut(22) leaves DataReg alone");
}

/* Without a board every input reads 0; the simulated board presents 0 on its
 * inputs by default, replacing whatever DataReg held. */
static void TestPortReads(void) {
  static const unsigned short valid[] = {3, 16, 32, 37, 69};
  for (size_t i = 0; i < sizeof valid / sizeof valid[0]; ++i) {
    if (simulated) WriteRegister(DataReg, 0x77);
    unsigned short seen = CALL(dll.PortIinp, valid[i]);
    Check(seen == 0, "PortIinp(%u) gives %u, expected 0", valid[i], seen);
    if (simulated)
      Check(ReadRegister(DataReg) == 0, "PortIinp(%u) reads the board's input into DataReg", valid[i]);
  }
  if (simulated) WriteRegister(DataReg, 0x77);
  Check(CALL(dll.PortIinp, 22) == 0, "PortIinp(22) of a rejected port gives 0");
  if (simulated) Check(ReadRegister(DataReg) == 0x77, "a rejected PortIinp reads no input");
  Check(CALL(dll.PortIinp, 80) == 0, "PortIinp(80) gives 0");
}

static void TestAllOutClear(void) {
  CALL(dll.PortOut, 5, 0x0055);
  CALL(dll.PortOut, 15, 0x1234);
  static const unsigned short groupPorts[] = {16, 21, 32, 37, 53, 64, 69, 80, 117, 133};
  for (size_t i = 0; i < sizeof groupPorts / sizeof groupPorts[0]; ++i)
    CALL(dll.PortOut, groupPorts[i], 0x00FF);
  CALLV0(dll.AllOutClear);
  Check(CALL(dll.PortQinp, 5) == 0x0055 && CALL(dll.PortQinp, 15) == 0x1234,
        "AllOutClear leaves the direct ports alone");
  for (size_t i = 0; i < sizeof groupPorts / sizeof groupPorts[0]; ++i) {
    unsigned short seen = CALL(dll.PortQinp, groupPorts[i]);
    Check(seen == 0, "AllOutClear sets port %u to 0 (it reads 0x%X)", groupPorts[i], seen);
  }
  CheckWriteEndedWith("AllOutClear", kestrel ? CtrlEnable | CtrlBank : CtrlEnable);
}

static void TestLogicalPorts(void) {
  OpenSimulatedBoard();
  TestPortWrites();
  TestPortRegisters();
  TestPortReads();
  TestAllOutClear();
}

/* ---- Bits and blocks ---------------------------------------------------- */

enum BitOperation { SetBit, ClearBit };
struct BitCase {
  enum BitOperation operation;
  unsigned short port;
  unsigned short bit;
  int kestrelResult;
  int merlinResult;
  unsigned short after; /* PortQinp afterwards, where the port is accepted */
};
/* Run in order, after PortOut(16, 0x0100), PortOut(17, 0x0008), PortOut(80, 0). */
static const struct BitCase bitCases[] = {
    {SetBit, 16, 0, 16, 16, 0x0101},   {SetBit, 16, 20, 16, 16, 0x0101},   {SetBit, 16, 35, 16, 16, 0x0109},
    {ClearBit, 16, 8, 16, 16, 0x0009}, {ClearBit, 16, 31, 16, 16, 0x0009}, {SetBit, 16, 15, 16, 16, 0x8009},
    {ClearBit, 17, 3, 17, 17, 0x0000}, {ClearBit, 17, 3, 17, 17, 0x0000},  {SetBit, 37, 6, 27, 27, 0x0040},
    {SetBit, 22, 0, 1, 1, 0},          {ClearBit, 22, 0, 1, 1, 0},         {SetBit, 80, 2, 40, 1, 0x0004},
};

static void TestBitWrites(void) {
  CALL(dll.PortOut, 16, 0x0100);
  CALL(dll.PortOut, 17, 0x0008);
  CALL(dll.PortOut, 37, 0);
  CALL(dll.PortOut, 80, 0);
  for (size_t i = 0; i < sizeof bitCases / sizeof bitCases[0]; ++i) {
    const struct BitCase* c = &bitCases[i];
    const char* name = c->operation == SetBit ? "BitOn" : "BitOff";
    BitFn fn = c->operation == SetBit ? dll.BitOn : dll.BitOff;
    int expected = kestrel ? c->kestrelResult : c->merlinResult;
    int result = CALL(fn, c->port, c->bit);
    unsigned short after = CALL(dll.PortQinp, c->port);
    unsigned short expectedAfter = expected == 1 ? 0 : c->after;
    Check(result == expected && after == expectedAfter,
          "%s(%u, %u) gives %d and leaves 0x%X (expected %d, 0x%X)", name, c->port, c->bit, result, after,
          expected, expectedAfter);
  }
  Check(CALL(dll.BitOff, 37, 6) == 27 && CALL(dll.PortQinp, 37) == 0, "BitOff(37, 6) clears it");
  CheckWriteEnded("BitOff(37, 6)");
}

struct TestBitCase {
  unsigned short port;
  unsigned short bit;
  unsigned short set;
};
/* Port 16 holds 0x8009 from the bit writes. */
static const struct TestBitCase testBitCases[] = {
    {16, 0, 1},  {16, 1, 0},  {16, 3, 1},  {16, 8, 0},  {16, 15, 1},
    {16, 19, 0}, {16, 31, 0}, {16, 32, 1}, {16, 47, 1}, {22, 0, 0},
};

static void TestBitTests(void) {
  for (size_t i = 0; i < sizeof testBitCases / sizeof testBitCases[0]; ++i) {
    const struct TestBitCase* c = &testBitCases[i];
    unsigned short seen = CALL(dll.TestQbit, c->port, c->bit);
    Check(seen == c->set, "TestQbit(%u, %u) gives %u, expected %u", c->port, c->bit, seen, c->set);
  }
  /* The inputs read 0, without a board and on the simulated board alike. */
  for (unsigned short bit = 0; bit < 8; ++bit) {
    if (simulated) WriteRegister(DataReg, 0xFF);
    Check(CALL(dll.TestIbit, 33, bit) == 0, "TestIbit(33, %u) gives 0", bit);
  }
  Check(CALL(dll.TestIbit, 22, 0) == 0, "TestIbit of a rejected port gives 0");
}

enum { BlockWords = 16, Untouched = 0xAAAA };

static void FetchBlock(unsigned short port, unsigned short* block) {
  for (int k = 0; k < BlockWords; ++k) block[k] = Untouched;
  CALLV(dll.GetIOBlockData, port, block);
}

/* A group block: words 0-5 the given outputs, 6-7 untouched, 8-15 inputs (0). */
static void CheckGroupBlock(unsigned short port, const unsigned short* outputs) {
  unsigned short block[BlockWords];
  FetchBlock(port, block);
  int ok = block[6] == Untouched && block[7] == Untouched;
  for (int k = 0; k < 6; ++k) ok &= block[k] == outputs[k];
  for (int k = 8; k < BlockWords; ++k) ok &= block[k] == 0;
  Check(ok, "GetIOBlockData(0x%X): %X %X %X %X %X %X | %X %X | %X %X %X %X %X %X %X %X", port, block[0],
        block[1], block[2], block[3], block[4], block[5], block[6], block[7], block[8], block[9], block[10],
        block[11], block[12], block[13], block[14], block[15]);
}

static void TestBlocks(void) {
  unsigned short group2[6], group1[6], group5[6];
  static const unsigned short none[6] = {0, 0, 0, 0, 0, 0};
  for (unsigned short k = 0; k < 6; ++k) {
    group1[k] = (unsigned short)(0x1100 + k);
    group2[k] = (unsigned short)(0x0230 + k);
    group5[k] = kestrel ? (unsigned short)(0x5A00 + k) : 0;
    CALL(dll.PortOut, 16 + k, group1[k]);
    CALL(dll.PortOut, 32 + k, group2[k]);
    CALL(dll.PortOut, 80 + k, (unsigned short)(0x5A00 + k));
  }
  CheckGroupBlock(0x25, group2);
  CheckGroupBlock(0x0110, group1);
  CheckGroupBlock(0x50, group5);
  CheckGroupBlock(0x90, none);

  unsigned short block[BlockWords];
  FetchBlock(0x0105, block);
  int direct = 1;
  for (int k = 0; k < BlockWords; ++k) direct &= block[k] == 0;
  Check(direct, "GetIOBlockData(0x0105) reads all sixteen direct inputs (0)");
}

static void TestBitsAndBlocks(void) {
  OpenSimulatedBoard();
  TestBitWrites();
  TestBitTests();
  TestBlocks();
}

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
  enum Control control;
  const char* name;
  unsigned short port;   /* the serial port it drives */
  unsigned short before; /* written to the port first */
  unsigned short after;  /* the port's read-back afterwards */
};
static const struct ControlCase controlCases[] = {
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
static void TestSerialControls(void) {
  OpenSimulatedBoard();
  for (size_t i = 0; i < sizeof controlCases / sizeof controlCases[0]; ++i) {
    const struct ControlCase* c = &controlCases[i];
    unsigned short other = c->port == 36 ? 37 : 36;
    unsigned short otherValue = (unsigned short)(0x0300 + i);
    CALL(dll.PortOut, other, otherValue);
    CALL(dll.PortOut, c->port, c->before);
    CallControl(c->control);
    unsigned short after = CALL(dll.PortQinp, c->port);
    Check(after == c->after, "%s after 0x%X leaves port %u at 0x%X, expected 0x%X", c->name, c->before,
          c->port, after, c->after);
    Check(CALL(dll.PortQinp, other) == otherValue, "%s leaves port %u alone", c->name, other);
    CheckWriteEnded(c->name);
  }
}

/* ---- Tick waits (simulated board only) ---------------------------------- */

enum { TickWaitAborted = 0x8000 };

static void TestTickWaits(void) {
  OpenSimulatedBoard();
  static const uint32_t ticks[] = {0, 1, 2, 5};
  for (size_t i = 0; i < sizeof ticks / sizeof ticks[0]; ++i) {
    unsigned short status = CALL(dll.HdTimer, ticks[i]);
    Check(status == 0, "HdTimer(%u) ends with status 0x%X, expected 0", (unsigned)ticks[i], status);
  }

  struct ClickCase {
    uint32_t ticks;
    unsigned short before;
    unsigned short after;
  };
  /* Bit 0 of port 35 ends low; bits 1-7 stay, bits 8-15 are dropped. */
  static const struct ClickCase clicks[] = {{1, 0x01F7, 0x00F6}, {7, 0x000B, 0x000A}, {0, 0, 0}};
  for (size_t i = 0; i < sizeof clicks / sizeof clicks[0]; ++i) {
    CALL(dll.PortOut, 35, clicks[i].before);
    CALLV(dll.Click, clicks[i].ticks);
    unsigned short after = CALL(dll.PortQinp, 35);
    Check(after == clicks[i].after, "Click(%u) after 0x%X leaves port 35 at 0x%X, expected 0x%X",
          (unsigned)clicks[i].ticks, clicks[i].before, after, clicks[i].after);
    CheckWriteEnded("Click");
  }
}

/* ---- Exchange switching ------------------------------------------------- */

static void TestExchange(void) {
  OpenSimulatedBoard();
  enum { Refused = 0xFFFF };
  static const char* const refused[] = {"A5123489AG", "A5123489A",  "A512 489AB",
                                        "A5123:89AB", "G5123489AB", NULL};
  CALL(dll.PortOut, 36, 0xC5);
  if (simulated) WriteRegister(DataReg, 0x77);
  for (size_t i = 0; i < sizeof refused / sizeof refused[0]; ++i) {
    const char* pattern = refused[i];
    unsigned short result = CALL(dll.ExchgLine, 0, pattern);
    Check(result == Refused, "ExchgLine(0, %s%s%s) gives 0x%X, expected 0xFFFF", pattern ? "\"" : "",
          pattern ? pattern : "NULL", pattern ? "\"" : "", result);
  }
  Check(CALL(dll.PortQinp, 36) == 0xC5, "a refused pattern leaves port 36 alone");
  if (simulated) Check(ReadRegister(DataReg) == 0x77, "a refused pattern touches no register");

  struct Accepted {
    unsigned short mode;
    const char* pattern;
  };
  static const struct Accepted accepted[] = {{0, "A5123489AB"}, {1, "a5123489abZ"}, {0xFFFF, "0123456789"}};
  for (size_t i = 0; i < sizeof accepted / sizeof accepted[0]; ++i) {
    CALL(dll.PortOut, 36, 0x1C5);
    unsigned short result = CALL(dll.ExchgLine, accepted[i].mode, accepted[i].pattern);
    unsigned short after = CALL(dll.PortQinp, 36);
    Check(result == 0 && after == 0xC0,
          "ExchgLine(%u, \"%s\") gives 0x%X and leaves port 36 at 0x%X (expected 0, 0xC0)", accepted[i].mode,
          accepted[i].pattern, result, after);
    CheckWriteEnded("ExchgLine");
  }
}

/* ---- Families ----------------------------------------------------------- */

/* An export family runs when every one of its exports was found. A new
 * export gets its field in struct Exports, a line in ResolveAll, its name in
 * the known list of CheckExportList, and a row here (its own family or an
 * existing one). */
struct Family {
  const char* name;
  const char* exports[12];
  void (*run)(void);
  int needsTicks; /* waits for board ticks: only the simulated board has them */
};

static const struct Family families[] = {
    {"start-up and raw registers",
     {"PortInit", "PortEnd", "CheckPCtype", "Test", "Test2", "InpB", "InpW", "InpD", "OutB", "OutW", "OutD"},
     TestStartupAndRaw,
     0},
    {"transform tables", {"FFTK32"}, TestFftTables, 0},
    {"transform and spectrum", {"FFTK32", "FFT32", "FFTP32"}, TestFftTransform, 0},
    {"array conversion", {"CHRVAL1", "CHRVAL2", "VALCHR1", "VALCHR2"}, TestArrayConversion, 0},
    {"logical ports",
     {"PortOut", "PortQinp", "PortIinp", "AllOutClear", "PortInit", "InpB", "OutB"},
     TestLogicalPorts,
     0},
    {"bits and blocks",
     {"BitOn", "BitOff", "TestQbit", "TestIbit", "GetIOBlockData", "PortOut", "PortQinp", "PortInit", "InpB",
      "OutB"},
     TestBitsAndBlocks,
     0},
    {"serial device controls",
     {"ContFreq", "ContLevel", "ContDirect", "ContSigSW", "ContBellDA", "ContRelay", "LineCurrent", "PortOut",
      "PortQinp", "PortInit", "InpB"},
     TestSerialControls,
     0},
    {"tick waits", {"HdTimer", "Click", "PortOut", "PortQinp", "PortInit", "InpB"}, TestTickWaits, 1},
    {"exchange switching", {"ExchgLine", "PortOut", "PortQinp", "PortInit", "InpB", "OutB"}, TestExchange, 0},
};

static int FamilyPresent(const struct Family* family) {
  for (size_t i = 0; i < sizeof family->exports / sizeof family->exports[0]; ++i) {
    const char* name = family->exports[i];
    if (name != NULL && GetProcAddress(module, name) == NULL) return 0;
  }
  return 1;
}

static void RunFamilies(void) {
  for (size_t f = 0; f < sizeof families / sizeof families[0]; ++f) {
    if (!FamilyPresent(&families[f])) {
      printf("skipped: %s (exports not in this DLL)\n", families[f].name);
      continue;
    }
    if (families[f].needsTicks && !simulated) {
      printf("skipped: %s (no board ticks without a driver: they would wait for Escape)\n", families[f].name);
      continue;
    }
    int before = failed;
    families[f].run();
    printf("%s: %s\n", families[f].name, failed == before ? "ok" : "FAILED");
  }
  CloseSimulatedBoard();
}

static void WriteTransformCases(const char* path) {
  if (dll.FFTK32 == NULL || dll.FFT32 == NULL || dll.FFTP32 == NULL) {
    Check(0, "no transform exports to write %s with", path);
    return;
  }
  FILE* out = fopen(path, "wb");
  struct FftExports exports = {dll.FFTK32, dll.FFT32, dll.FFTP32};
  int written = out != NULL && WriteFftCases(&exports, out) == 0;
  if (out != NULL) written &= fclose(out) == 0;
  Check(written, "transform cases written to %s", path);
}

int main(int argc, char** argv) {
  if (argc < 3 || (strcmp(argv[2], "shipped") != 0 && strcmp(argv[2], "simulated") != 0)) {
    fprintf(stderr, "usage: %s DLL shipped|simulated [FFT-OUTPUT]\n", argv[0]);
    return 2;
  }
  simulated = strcmp(argv[2], "simulated") == 0;
  kestrel = BaseNameHas(argv[1], "kestrel");
  if (kestrel == BaseNameHas(argv[1], "merlin")) {
    fprintf(stderr, "%s: the file name of %s must name one board, Kestrel or Merlin\n", argv[0], argv[1]);
    return 2;
  }
  setvbuf(stdout, NULL, _IONBF, 0);

  BeginCapture();
  module = LoadLibraryA(argv[1]);
  const char* loadText = EndCapture();
  if (module == NULL) {
    printf("FAIL: LoadLibraryA(%s) failed with error %lu\n0 passed, 1 failed\n", argv[1], GetLastError());
    return 1;
  }
  Check(loadText[0] == '\0', "loading the DLL prints nothing (printed \"%s\")", loadText);

  CheckExportList();
  ResolveAll();
  TestStackCheck();
  RunFamilies();
  if (argc > 3) WriteTransformCases(argv[3]);

#if HOST_STACK_CHECK
  Check(stackMismatches == 0, "every export removed exactly its arguments (%d calls, %d wrong)", stackChecks,
        stackMismatches);
#endif
  FreeLibrary(module);
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
