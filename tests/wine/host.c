/* A host application for Kestrel.dll and Merlin.dll, run under Wine.
 *
 * It does what a host application does: LoadLibraryA, GetProcAddress by the
 * plain name, and calls through function pointers declared the way such an
 * application declares them (host_exports.h). On 32-bit x86 every call goes
 * through a thunk that measures how many bytes of arguments the callee
 * removed from the stack (harness.h).
 *
 * The same program also builds for Linux (win_shim.h) and runs against the
 * shared libraries: natively, and under qemu-i386 against the 32-bit test
 * build whose exports take the __stdcall convention, with the stack check.
 *
 * usage: host [--misdeclared] DLL shipped|simulated [FFT-OUTPUT]
 *   DLL           Kestrel.dll or Merlin.dll (libkestrel*.so, libmerlin*.so):
 *                 the file name tells which board the library drives
 *   shipped       the DLL as delivered; no kernel driver is present
 *   simulated     the test build with the simulated driver inside
 *   FFT-OUTPUT    file that receives the transform cases (fft_cases.c)
 *   --misdeclared also calls Test2 declared with a second argument, so that
 *                 the stack check fails the run (where there is one)
 *
 * The last line is "N passed, N failed"; the exit code is 1 on any failure. */
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#if defined(_WIN32)
#include <windows.h>
#else
#include "win_shim.h"
#endif

#include "cases.h"
#include "expected_exports.h"
#include "fft_cases.h"
#include "harness.h"
#include "host_board.h"
#include "host_exports.h"

static HMODULE module;

static void* FindExport(const char* name) { return (void*)GetProcAddress(module, name); }

/* Every export of the list that the build expects must be there, and the
 * host must know it (a name the host has never heard of is a new export
 * whose family still needs its cases). */
static void CheckExportList(void) {
  for (size_t i = 0; i < sizeof ExpectedExports / sizeof ExpectedExports[0]; ++i) {
    const char* name = ExpectedExports[i];
    int isKnown = 0;
    for (unsigned k = 0; k < KnownExportCount; ++k) isKnown |= strcmp(KnownExports[k], name) == 0;
    if (!isKnown) printf("note: export %s has no tests in this host yet\n", name);
    Check(FindExport(name) != NULL, "export %s is missing", name);
  }
}

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

/* ---- Families ----------------------------------------------------------- */

/* A family of cases runs when the library has every one of its exports. */
struct Family {
  const char* Name;
  const char* Exports[12];
  void (*Run)(void);
};

static const struct Family Families[] = {
    {"start-up and raw registers",
     {"PortInit", "PortEnd", "CheckPCtype", "Test", "Test2", "InpB", "InpW", "InpD", "OutB", "OutW", "OutD"},
     TestStartupAndRaw},
    {"transform tables", {"FFTK32"}, TestFftTables},
    {"transform and spectrum", {"FFTK32", "FFT32", "FFTP32"}, TestFftTransform},
    {"array conversion", {"CHRVAL1", "CHRVAL2", "VALCHR1", "VALCHR2"}, TestArrayConversion},
    {"logical ports",
     {"PortOut", "PortQinp", "PortIinp", "AllOutClear", "PortInit", "InpB", "OutB"},
     TestLogicalPorts},
    {"bits and blocks",
     {"BitOn", "BitOff", "TestQbit", "TestIbit", "GetIOBlockData", "PortOut", "PortQinp", "PortInit", "InpB",
      "OutB"},
     TestBitsAndBlocks},
    {"serial device controls",
     {"ContFreq", "ContLevel", "ContDirect", "ContSigSW", "ContBellDA", "ContRelay", "LineCurrent", "PortOut",
      "PortQinp", "PortInit", "InpB"},
     TestSerialControls},
    {"tick waits", {"HdTimer", "Click", "PortOut", "PortQinp", "PortInit", "InpB"}, TestTickWaits},
    {"exchange switching", {"ExchgLine", "PortOut", "PortQinp", "PortInit", "InpB", "OutB"}, TestExchange},
    {"status, version and trace",
     {"LineioBoardAccess", "LineioLastFailure", "LineioFailureText", "LineioVersion", "LineioTrace",
      "PortInit", "PortEnd", "OutB"},
     TestStatusAndTrace},
};

static int FamilyPresent(const struct Family* family) {
  for (size_t i = 0; i < sizeof family->Exports / sizeof family->Exports[0]; ++i) {
    const char* name = family->Exports[i];
    if (name != NULL && FindExport(name) == NULL) return 0;
  }
  return 1;
}

static void RunFamilies(void) {
  for (size_t f = 0; f < sizeof Families / sizeof Families[0]; ++f) {
    if (!FamilyPresent(&Families[f])) {
      printf("skipped: %s (exports not in this DLL)\n", Families[f].Name);
      continue;
    }
    int before = FailedChecks();
    Families[f].Run();
    printf("%s: %s\n", Families[f].Name, FailedChecks() == before ? "ok" : "FAILED");
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

#if HOST_STACK_CHECK
/* Every export went through the stack check: on the simulated board all of
 * them; the shipped library's run leaves out the wider raw writes, which
 * need the board. */
static void CheckEveryExportStackChecked(void) {
  unsigned checked = 0;
  for (unsigned k = 0; k < KnownExportCount; ++k) {
    void* target = FindExport(KnownExports[k]);
    if (target != NULL && StackChecked(target)) {
      ++checked;
    } else if (simulated) {
      printf("no checked call of %s\n", KnownExports[k]);
    }
  }
  if (simulated) {
    Check(checked == KnownExportCount, "the stack check saw %u of the %u exports", checked, KnownExportCount);
  } else {
    printf("note: the stack check saw %u of the %u exports\n", checked, KnownExportCount);
  }
}
#endif

static int Usage(const char* program) {
  fprintf(stderr, "usage: %s [--misdeclared] DLL shipped|simulated [FFT-OUTPUT]\n", program);
  return 2;
}

int main(int argc, char** argv) {
  const char* program = argv[0];
  int misdeclared = argc > 1 && strcmp(argv[1], "--misdeclared") == 0;
  if (misdeclared) {
    --argc;
    ++argv;
  }
  if (argc < 3 || (strcmp(argv[2], "shipped") != 0 && strcmp(argv[2], "simulated") != 0))
    return Usage(program);
  if (misdeclared && !HOST_STACK_CHECK) {
    fprintf(stderr, "%s: --misdeclared needs the stack check, which this architecture has not\n", program);
    return 2;
  }
  simulated = strcmp(argv[2], "simulated") == 0;
  kestrel = BaseNameHas(argv[1], "kestrel");
  if (kestrel == BaseNameHas(argv[1], "merlin")) {
    fprintf(stderr, "%s: the file name of %s must name one board, Kestrel or Merlin\n", program, argv[1]);
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
  ResolveExports(FindExport);
  TestStackCheck();
  if (misdeclared) CallMisdeclaredExport();
  RunFamilies();
  if (argc > 3) WriteTransformCases(argv[3]);

#if HOST_STACK_CHECK
  CheckEveryCallRemovedItsArguments();
  CheckEveryExportStackChecked();
#endif
  FreeLibrary(module);
  return Summary();
}
