/*
 * lineio: driver library for the Kestrel and Merlin line-test boards.
 *
 * libkestrel / Kestrel.dll drive the Kestrel board, libmerlin / Merlin.dll the
 * Merlin board; both export the same functions with the same arguments.
 *
 * Call PortInit once to open the board, then any other function, then PortEnd.
 * Every function runs synchronously on the calling thread; call the library from
 * one thread at a time. Arrays and buffers stay the caller's: no function keeps
 * a pointer after it returns.
 *
 * On 32-bit Windows every function uses the __stdcall convention (the callee
 * removes its arguments; names are not decorated). A 16-bit argument occupies a
 * 32-bit stack slot of which the low half is read.
 *
 * The reference, with what the board sees and how long each call takes, is
 * in docs/ (docs/exports.md, one section per function; installed in
 * share/doc/lineio) and in the lineio(3) man page.
 *
 * On Linux the board is reached through the kernel's PCI sysfs and, for
 * interrupts, uio_pci_generic (see README, "Using a real board on Linux").
 * LINEIO_SYSFS_ROOT stands in for /sys and LINEIO_DEV_ROOT for /dev; both are
 * read when PortInit first opens the driver.
 *
 * The library's messages go to standard output; LINEIO_MESSAGES=stderr, off or
 * stdout chooses, read once when the library is loaded.
 */
#ifndef LINEIO_H
#define LINEIO_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define LINEIO_CALL __stdcall
#elif defined(__i386__) && defined(LINEIO_STDCALL)
/* Test builds for 32-bit x86 Linux: the convention of the 32-bit DLLs, so
 * that their callers' stack checks run outside Windows. */
#define LINEIO_CALL __attribute__((stdcall))
#else
#define LINEIO_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Start-up, shutdown and probes ------------------------------------- */

/* Opens the kernel driver and the board; board selects the register set
 * (0, 1, 2, any other). Returns 0 when the kernel driver could not be opened
 * (missing or too old); any other value means it was. A missing board is not
 * reported: register reads then give 0. */
int32_t LINEIO_CALL PortInit(int32_t board);
/* Closes the board and the kernel driver. Returns non-zero on success. */
int32_t LINEIO_CALL PortEnd(void);
/* 0xFFFF on a PC-98-family machine, 0 otherwise. */
int32_t LINEIO_CALL CheckPCtype(void);
/* 0 before PortInit, 0xFFFF after it; the argument is not used. */
uint16_t LINEIO_CALL Test(int32_t unused);
/* Writes the ten bytes '1'..'9', ':' (no terminator) and returns 11; a null
 * buffer is left alone. */
uint16_t LINEIO_CALL Test2(uint8_t* buffer);

/* ---- Raw register access (offsets in the board's register space) ------- */

uint16_t LINEIO_CALL InpB(uint16_t offset);
uint16_t LINEIO_CALL InpW(uint16_t offset);
uint32_t LINEIO_CALL InpD(uint16_t offset);
void LINEIO_CALL OutB(uint16_t offset, uint16_t value); /* low 8 bits written */
void LINEIO_CALL OutW(uint16_t offset, uint16_t value);
void LINEIO_CALL OutD(uint16_t offset, uint32_t value);

/* ---- Logical ports of the board's internal bus ------------------------- */

/* Ports: direct 0..15 and group ports group * 16 + index (index 0..5; groups
 * 1..8 on Kestrel, 1..4 on Merlin). Any other number is rejected. */

/* Writes the low byte of value to the port and remembers all 16 bits. Returns
 * 1 for a rejected port, otherwise the port's slot in the remembered outputs
 * (which is also 1 for port 1). */
int32_t LINEIO_CALL PortOut(uint16_t port, uint16_t value);
/* The last value written to the port (no bus access); 0 when rejected. */
uint16_t LINEIO_CALL PortQinp(uint16_t port);
/* The byte read from the port's input; 0 when rejected. */
uint16_t LINEIO_CALL PortIinp(uint16_t port);
/* Writes 0 to every group port. */
void LINEIO_CALL AllOutClear(void);

/* ---- Bits and blocks ---------------------------------------------------- */

/* The bit is bit (number mod 32); numbers 16..31 select no bit. */

/* Sets / clears one bit of the port's remembered value and writes it out.
 * Returns what PortOut returns. */
int32_t LINEIO_CALL BitOn(uint16_t port, uint16_t bit);
int32_t LINEIO_CALL BitOff(uint16_t port, uint16_t bit);
/* 1 when the bit is set in the port's remembered value / in its input. */
uint16_t LINEIO_CALL TestQbit(uint16_t port, uint16_t bit);
uint16_t LINEIO_CALL TestIbit(uint16_t port, uint16_t bit);
/* Fills 16 words from the group of the port (bits 4..7 of its number):
 * words 0..5 the remembered outputs, 6..7 untouched, 8..15 the inputs 0..7 of
 * the group (6 and 7 read as 0). Group 0 reads the 16 direct inputs. A null
 * block does nothing. */
void LINEIO_CALL GetIOBlockData(uint16_t port, uint16_t* block);

/* ---- Serial devices (ports 36 and 37) ------------------------------------ */

/* Each loads one device of the board; bits the device does not take are
 * ignored. Bits 6 and 7 of port 36 keep what the host last wrote there. */

/* Frequency source 1 (mode 1) or 2 (mode 2) takes the word; other modes
 * clock the word out and load nothing. */
void LINEIO_CALL ContFreq(uint16_t mode, uint16_t word);
/* The level setter takes bits 14..8, then bits 6..0 of level. */
void LINEIO_CALL ContLevel(uint16_t level);
void LINEIO_CALL ContDirect(uint16_t word);   /* the direct word, 16 bits */
void LINEIO_CALL ContSigSW(uint16_t value);   /* the signal switch, bits 7..0 */
void LINEIO_CALL ContBellDA(uint16_t value);  /* the bell D/A, bits 10..0 */
void LINEIO_CALL ContRelay(uint16_t word);    /* the relay bank, 16 bits */
void LINEIO_CALL LineCurrent(uint16_t value); /* the line-current setter, bits 7..0 */

/* ---- Board ticks --------------------------------------------------------- */

/* Waits for max(ticks, 1) ticks of the board. Returns 0, or 0x8000 when the
 * Escape key stopped the wait, and 0x8000 at once when no board is open. On a
 * POSIX terminal the Escape key is read from the terminal: input typed during
 * the wait is consumed up to the first Escape (docs/hosts.md). */
uint16_t LINEIO_CALL HdTimer(uint32_t ticks);
/* Holds bit 0 of port 35 high for ticks ticks (ticks - 5 above 5). With no
 * board open it returns at once, touching nothing. */
void LINEIO_CALL Click(uint32_t ticks);

/* ---- Exchange switching -------------------------------------------------- */

/* Loads the ten hexadecimal characters of pattern into exchange bank 0 (mode
 * 0) or 1 (any other mode). Returns 0xFFFF, touching nothing, when one of
 * them is not a hexadecimal digit (or pattern is null); 0 otherwise. */
uint16_t LINEIO_CALL ExchgLine(uint16_t mode, const char* pattern);

/* ---- Transform ---------------------------------------------------------- */

/* Arrays of the transform are used from element 1 to element n; element 0
 * lies outside it. n is a power of two (2..16384 for FFTK32, 2..32768 for
 * FFT32); any other n, or a null array, writes nothing. FFTP32 takes any n.
 * The layout and a worked example: docs/transform.md. */

/* Prepares the tables of length n: cosine[1..n], sine[1..n] and the
 * permutation[1..n] that puts the transform's output in natural order. */
void LINEIO_CALL FFTK32(uint16_t n, float* cosine, float* sine, uint16_t* permutation);
/* Windows samples[1..n] into real/imaginary[1..n] (window 1 rectangular,
 * 2 Hamming, 3 Hann, scaled by 1/n; any other value transforms real and
 * imaginary as they are) and transforms them in place: element k + 1 holds
 * frequency k. Direction 0 is forward, any other value inverse. real[0]
 * receives 5000 div n, imaginary[0] 0. samples may be real itself. */
void LINEIO_CALL FFT32(uint16_t n, const float* cosine, const float* sine, float* real, float* imaginary,
                       const uint16_t* permutation, uint16_t window, const float* samples,
                       uint16_t direction);
/* Replaces real[0..n/2] by the magnitude of (real[i], imaginary[i]), at
 * least 0.0003. */
void LINEIO_CALL FFTP32(uint16_t n, float* real, const float* imaginary);

/* ---- Array conversion (count words; pairs are little-endian) ----------- */

/* A null array writes nothing. */

/* words[i] = bytes[i] */
void LINEIO_CALL CHRVAL1(const uint8_t* bytes, uint16_t* words, uint16_t count);
/* words[i] = bytes[2i] + 256 * bytes[2i + 1] */
void LINEIO_CALL CHRVAL2(const uint8_t* bytes, uint16_t* words, uint16_t count);
/* bytes[i] = low byte of words[i] */
void LINEIO_CALL VALCHR1(const uint16_t* words, uint8_t* bytes, uint16_t count);
/* bytes[2i] = low byte, bytes[2i + 1] = high byte of words[i] */
void LINEIO_CALL VALCHR2(const uint16_t* words, uint8_t* bytes, uint16_t count);

/* ==== Extension calls: status, version and trace ========================
 *
 * Beside the 37 functions above and never changing them: a host that does not
 * call these sees no difference. Their names start with Lineio. The
 * reference: docs/extensions.md. */

/* How the board is reached: */
#define LINEIO_ACCESS_NONE 0   /* no board open */
#define LINEIO_ACCESS_MEMORY 1 /* through a memory range */
#define LINEIO_ACCESS_IO 2     /* through an I/O range */

/* Why the last open failed (LineioLastFailure): */
#define LINEIO_FAILURE_NONE 0                 /* none since load, or the last open worked */
#define LINEIO_FAILURE_NO_DRIVER 1            /* the driver device cannot be opened */
#define LINEIO_FAILURE_DRIVER_TOO_OLD 2       /* the driver is older than the library needs */
#define LINEIO_FAILURE_NO_BOARD 3             /* no card with the board's identifiers */
#define LINEIO_FAILURE_CARD_OUT_OF_RANGE 4    /* the card chosen is not among those found */
#define LINEIO_FAILURE_LOCK_HELD 5            /* another process holds the board */
#define LINEIO_FAILURE_PERMISSION 6           /* the system refuses this user */
#define LINEIO_FAILURE_BINDING 7              /* another kernel driver owns the card */
#define LINEIO_FAILURE_LOCKDOWN 8             /* the kernel forbids user space the registers */
#define LINEIO_FAILURE_ITEMS 9                /* the card's resources are not as expected */
#define LINEIO_FAILURE_MAP_REFUSED 10         /* a memory range cannot be mapped */
#define LINEIO_FAILURE_RANGE_ABOVE_4GIB 11    /* a range does not fit the driver's 32-bit records */
#define LINEIO_FAILURE_CHOICE_OUT_OF_RANGE 12 /* the answer to "Select card" was out of range */
#define LINEIO_FAILURE_FUNCTION_GONE 13       /* the PCI function disappeared */
#define LINEIO_FAILURE_OTHER 14               /* anything else: the text says what */

/* LINEIO_ACCESS_NONE, _MEMORY or _IO. */
int32_t LINEIO_CALL LineioBoardAccess(void);
/* The LINEIO_FAILURE_* code of the last failed open (PortInit). */
int32_t LINEIO_CALL LineioLastFailure(void);
/* Copies the text of that failure (the lines that went to standard output
 * and standard error), NUL-terminated and cut to size bytes; returns the
 * text's full length. A null buffer or size <= 0 only returns the length. */
int32_t LINEIO_CALL LineioFailureText(char* buffer, int32_t size);
/* The library's version, "1.0.0". */
const char* LINEIO_CALL LineioVersion(void);
/* Starts a trace of every call, register access, serial device load and
 * interrupt to the file at path ("stderr" for standard error), replacing one
 * that runs; NULL stops it. 1 on success, 0 when the file cannot be opened.
 * LINEIO_TRACE=path does the same when the library is loaded. The format:
 * docs/trace.md. */
int32_t LINEIO_CALL LineioTrace(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* LINEIO_H */
