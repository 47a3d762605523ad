/* What the cases share about the run: which board the library drives,
 * whether the simulated driver is inside, and the simulated board's
 * registers as the raw exports reach them. */
#ifndef LINEIO_WINE_HOST_BOARD_H
#define LINEIO_WINE_HOST_BOARD_H

/* The library drives Kestrel (eight groups of ports, 80-133 on a second
 * bank) or Merlin (four groups). */
extern int kestrel;
/* The library is the test build with the simulated driver inside. */
extern int simulated;

/* A PC-98-family machine: its keyboard subtype is 0x0D01..0x0D04. */
int Pc98Machine(void);

/* The cases after start-up work on an open simulated board; the start-up
 * cases end with PortEnd, so the first of the others opens it again. The
 * shipped library has no driver to open: its outputs live in the read-back
 * memory alone, and every register reads 0. */
void OpenSimulatedBoard(void);
void CloseSimulatedBoard(void);

/* The registers of board 0 through which the logical ports are driven, and
 * the bits of the control byte. */
enum BoardRegister { DataReg, AddrReg, CtrlReg };
enum { CtrlEnable = 4, CtrlBank = 8 };
unsigned short ReadRegister(enum BoardRegister which);
void WriteRegister(enum BoardRegister which, unsigned short value);

/* After every completed write DataReg and AddrReg are back at 0 and CtrlReg
 * holds the last control byte: the enable byte, with the bank bit after a
 * write to Kestrel's ports 80-133. Checked on the simulated board only. */
void CheckWriteEndedWith(const char* what, unsigned short expectedControl);
void CheckWriteEnded(const char* what);

#endif
