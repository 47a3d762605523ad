/* Resolving the exports by their plain names. */
#include "host_exports.h"

struct Exports dll;

/* A new export gets its field in struct Exports, a line here, its name in
 * KnownExports and a family of cases in host.c (its own or an existing one). */
#define RESOLVE(name) (dll.name = (__typeof__(dll.name))find(#name))

void ResolveExports(void* (*find)(const char* name)) {
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
  RESOLVE(LineioBoardAccess);
  RESOLVE(LineioLastFailure);
  RESOLVE(LineioFailureText);
  RESOLVE(LineioVersion);
  RESOLVE(LineioTrace);
}

const char* const KnownExports[] = {"PortInit",
                                    "PortEnd",
                                    "CheckPCtype",
                                    "Test",
                                    "Test2",
                                    "InpB",
                                    "InpW",
                                    "InpD",
                                    "OutB",
                                    "OutW",
                                    "OutD",
                                    "PortOut",
                                    "PortQinp",
                                    "PortIinp",
                                    "AllOutClear",
                                    "BitOn",
                                    "BitOff",
                                    "TestQbit",
                                    "TestIbit",
                                    "GetIOBlockData",
                                    "ContFreq",
                                    "ContLevel",
                                    "ContDirect",
                                    "ContSigSW",
                                    "ContBellDA",
                                    "ContRelay",
                                    "LineCurrent",
                                    "HdTimer",
                                    "Click",
                                    "ExchgLine",
                                    "FFTK32",
                                    "FFT32",
                                    "FFTP32",
                                    "CHRVAL1",
                                    "CHRVAL2",
                                    "VALCHR1",
                                    "VALCHR2",
                                    "LineioBoardAccess",
                                    "LineioLastFailure",
                                    "LineioFailureText",
                                    "LineioVersion",
                                    "LineioTrace"};
const unsigned KnownExportCount = sizeof KnownExports / sizeof KnownExports[0];
