/* The 37 exports and the extension calls as a host application declares
 * them: 16-bit arguments and results in 32-bit slots, the calling convention
 * of host_call.h. */
#ifndef LINEIO_WINE_HOST_EXPORTS_H
#define LINEIO_WINE_HOST_EXPORTS_H

#include <stdint.h>

#include "fft_cases.h"
#include "host_call.h"

typedef int(HOST_CALL* PortInitFn)(int board);
typedef int(HOST_CALL* PortEndFn)(void);
typedef int(HOST_CALL* CheckPCtypeFn)(void);
typedef unsigned short(HOST_CALL* TestFn)(int unused);
typedef unsigned short(HOST_CALL* Test2Fn)(unsigned char* buffer);
typedef unsigned short(HOST_CALL* InpFn)(unsigned short offset);
typedef uint32_t(HOST_CALL* InpDFn)(unsigned short offset);
typedef void(HOST_CALL* OutFn)(unsigned short offset, unsigned short value);
typedef void(HOST_CALL* OutDFn)(unsigned short offset, uint32_t value);
typedef void(HOST_CALL* ConvertFn)(const void* source, void* destination, unsigned short count);

typedef int(HOST_CALL* PortOutFn)(unsigned short port, unsigned short value);
typedef unsigned short(HOST_CALL* PortInFn)(unsigned short port);
typedef void(HOST_CALL* NoArgumentFn)(void);
typedef int(HOST_CALL* BitFn)(unsigned short port, unsigned short bit);
typedef unsigned short(HOST_CALL* TestBitFn)(unsigned short port, unsigned short bit);
typedef void(HOST_CALL* BlockFn)(unsigned short port, unsigned short* block);
typedef void(HOST_CALL* TwoWordFn)(unsigned short mode, unsigned short word);
typedef void(HOST_CALL* OneWordFn)(unsigned short value);
typedef unsigned short(HOST_CALL* TickWaitFn)(uint32_t ticks);
typedef void(HOST_CALL* ClickFn)(uint32_t ticks);
typedef unsigned short(HOST_CALL* ExchangeFn)(unsigned short mode, const char* pattern);
typedef int(HOST_CALL* StatusFn)(void);
typedef int(HOST_CALL* FailureTextFn)(char* buffer, int size);
typedef const char*(HOST_CALL* VersionFn)(void);
typedef int(HOST_CALL* TraceFn)(const char* path);

/* The same exports declared with a full 32-bit slot, as hosts whose integer
 * is 32 bits declare them: the library must use the low half only. */
typedef uint32_t(HOST_CALL* InpWideFn)(uint32_t offset);
typedef void(HOST_CALL* OutWideFn)(uint32_t offset, uint32_t value);
typedef void(HOST_CALL* ConvertWideFn)(const void* source, void* destination, uint32_t count);
typedef int(HOST_CALL* PortOutWideFn)(uint32_t port, uint32_t value);

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
  StatusFn LineioBoardAccess;
  StatusFn LineioLastFailure;
  FailureTextFn LineioFailureText;
  VersionFn LineioVersion;
  TraceFn LineioTrace;
};

/* The exports of the loaded library, NULL where it has none of the name. */
extern struct Exports dll;

/* Finds every export of the library by name; `find` is GetProcAddress. */
void ResolveExports(void* (*find)(const char* name));

/* The names this host has tests for. */
extern const char* const KnownExports[];
extern const unsigned KnownExportCount;

#endif
