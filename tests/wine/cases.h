/* The host program's cases, one function per family of exports. Each runs
 * its calls through the checked calls of harness.h and its checks through
 * Check; host.c runs a family when the library has all of its exports. */
#ifndef LINEIO_WINE_CASES_H
#define LINEIO_WINE_CASES_H

/* stack_check_cases.c: the stack check itself, before any export runs. */
void TestStackCheck(void);
/* One export declared with a wrong argument size: the run must fail. */
void CallMisdeclaredExport(void);

/* startup_cases.c */
void TestStartupAndRaw(void);

/* signal_cases.c */
void TestFftTables(void);
void TestFftTransform(void);
void TestArrayConversion(void);

/* port_cases.c */
void TestLogicalPorts(void);
void TestBitsAndBlocks(void);

/* line_cases.c */
void TestSerialControls(void);
void TestTickWaits(void);
void TestExchange(void);

/* status_cases.c: the extension calls */
void TestStatusAndTrace(void);

#endif
