/* A 32-bit Windows host for Kestrel.dll and Merlin.dll, run under Wine.
 *
 * It does what a host application does: LoadLibraryA, GetProcAddress by the
 * plain name, and calls through __stdcall function pointers declared the way
 * such an application declares them (16-bit arguments and results in 32-bit
 * slots). Every call goes through a thunk that measures how many bytes of
 * arguments the callee removed from the stack.
 *
 * usage: host.exe DLL shipped|simulated [FFT-OUTPUT]
 *   shipped    the DLL as delivered; no kernel driver is present
 *   simulated  the test build with the simulated driver inside
 *   FFT-OUTPUT file that receives the transform cases (fft_cases.c)
 *
 * The last line is "N passed, N failed"; the exit code is 1 on any failure. */
#include <fcntl.h>
#include <io.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>

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
#define CALL(fn, ...)                                                  \
  ({                                                                   \
    ArmCall((void*)(fn), 4 * NARGS(__VA_ARGS__));                      \
    __typeof__((fn)(__VA_ARGS__)) result_ = THUNK(fn)(__VA_ARGS__);    \
    VerifyCall(#fn);                                                   \
    result_;                                                           \
  })
#define CALL0(fn)                                    \
  ({                                                 \
    ArmCall((void*)(fn), 0);                         \
    __typeof__((fn)()) result_ = THUNK(fn)();        \
    VerifyCall(#fn);                                 \
    result_;                                         \
  })
#define CALLV(fn, ...)                               \
  do {                                               \
    ArmCall((void*)(fn), 4 * NARGS(__VA_ARGS__));    \
    THUNK(fn)(__VA_ARGS__);                          \
    VerifyCall(#fn);                                 \
  } while (0)

/* ---- The exports, as a host application declares them ------------------ */

typedef int(__stdcall* PortInitFn)(int board);
typedef int(__stdcall* PortEndFn)(void);
typedef int(__stdcall* CheckPCtypeFn)(void);
typedef unsigned short(__stdcall* TestFn)(int unused);
typedef unsigned short(__stdcall* Test2Fn)(unsigned char* buffer);
typedef unsigned short(__stdcall* InpFn)(unsigned short offset);
typedef unsigned long(__stdcall* InpDFn)(unsigned short offset);
typedef void(__stdcall* OutFn)(unsigned short offset, unsigned short value);
typedef void(__stdcall* OutDFn)(unsigned short offset, unsigned long value);
typedef void(__stdcall* ConvertFn)(const void* source, void* destination, unsigned short count);

/* The same exports declared with a full 32-bit slot, as hosts whose integer
 * is 32 bits declare them: the library must use the low half only. */
typedef unsigned long(__stdcall* InpWideFn)(unsigned long offset);
typedef void(__stdcall* OutWideFn)(unsigned long offset, unsigned long value);
typedef void(__stdcall* ConvertWideFn)(const void* source, void* destination, unsigned long count);

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
  static const char* const known[] = {"PortInit", "PortEnd", "CheckPCtype", "Test",   "Test2",
                                      "InpB",     "InpW",    "InpD",        "OutB",   "OutW",
                                      "OutD",     "FFTK32",  "FFT32",       "FFTP32", "CHRVAL1",
                                      "CHRVAL2",  "VALCHR1", "VALCHR2"};
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
  Check(difference == 5 && RemovedBytes() == 0,
        "a cdecl function declared __stdcall is caught (removed %u)", RemovedBytes());

  if (dll.Test2 == NULL) return;
  unsigned char buffer[16];
  Test2TwoArgumentsFn wrong = (Test2TwoArgumentsFn)(void*)dll.Test2;
  ArmCall((void*)wrong, 8);
  THUNK(wrong)(buffer, 0);
  Check(RemovedBytes() == 4, "Test2 declared with two arguments is caught (removed %u of 8)",
        RemovedBytes());
}

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
  Check(kind == (Pc98Machine() ? 0xFFFF : 0), "CheckPCtype gives 0x%X for keyboard subtype %d",
        kind, GetKeyboardType(1));
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
    {0, 0x314, 0xD4}, {1, 0x31C, 0xDC}, {2, 0x304, 0xC4}, {3, 0x30C, 0xCC},
    {5, 0x30C, 0xCC}, {-1, 0x30C, 0xCC},
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
      Check(seen == expected, "PortInit(%d): byte at 0x%X is %u, expected %u",
            registerRows[r].board, control, seen, expected);
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
  Check((CALL(inpWide, 0xFFFF0204ul) & 0xFFFF) == 0xBEEF,
        "InpW uses the low half of the offset's slot");
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
  Check(memcmp(permutation, expected, sizeof expected) == 0,
        "FFTK32(8) permutation reads 1 5 3 7 2 6 4 8");
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
  Check(fabsf(real[1] - 0.54f) < 1e-5f, "Hamming window of a constant gives 0.54 (got %.8g)",
        real[1]);

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
  Check(out[0] == 0x34 && out[1] == 0xFE && out[2] == 0xEE,
        "the count is the low half of its slot");
}

/* ---- Families ----------------------------------------------------------- */

/* An export family runs when every one of its exports was found. Later
 * families (logical ports, bits and blocks, serial controls, tick waits,
 * exchange) add their exports to struct Exports, ResolveAll and the known
 * list of CheckExportList, and a row here. */
struct Family {
  const char* name;
  const char* exports[12];
  void (*run)(void);
};

static const struct Family families[] = {
    {"start-up and raw registers",
     {"PortInit", "PortEnd", "CheckPCtype", "Test", "Test2", "InpB", "InpW", "InpD", "OutB", "OutW",
      "OutD"},
     TestStartupAndRaw},
    {"transform tables", {"FFTK32"}, TestFftTables},
    {"transform and spectrum", {"FFTK32", "FFT32", "FFTP32"}, TestFftTransform},
    {"array conversion", {"CHRVAL1", "CHRVAL2", "VALCHR1", "VALCHR2"}, TestArrayConversion},
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
    int before = failed;
    families[f].run();
    printf("%s: %s\n", families[f].name, failed == before ? "ok" : "FAILED");
  }
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
  setvbuf(stdout, NULL, _IONBF, 0);

  BeginCapture();
  module = LoadLibraryA(argv[1]);
  const char* loadText = EndCapture();
  if (module == NULL) {
    printf("FAIL: LoadLibraryA(%s) failed with error %lu\n0 passed, 1 failed\n", argv[1],
           GetLastError());
    return 1;
  }
  Check(loadText[0] == '\0', "loading the DLL prints nothing (printed \"%s\")", loadText);

  CheckExportList();
  ResolveAll();
  TestStackCheck();
  RunFamilies();
  if (argc > 3) WriteTransformCases(argv[3]);

  Check(stackMismatches == 0, "every export removed exactly its arguments (%d calls, %d wrong)",
        stackChecks, stackMismatches);
  FreeLibrary(module);
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
