/* Logical ports, bits and blocks. */
#include <stddef.h>

#include "cases.h"
#include "harness.h"
#include "host_board.h"
#include "host_exports.h"

/* ---- Logical ports ------------------------------------------------------ */

struct PortCase {
  unsigned short Port;
  unsigned short Value;
  int KestrelSlot; /* PortOut's result: the read-back slot, 1 when rejected */
  int MerlinSlot;
};
enum { Rejected = -1 };
static const struct PortCase PortCases[] = {
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

static int SlotOf(const struct PortCase* c) { return kestrel ? c->KestrelSlot : c->MerlinSlot; }

static void TestPortWrites(void) {
  size_t count = sizeof PortCases / sizeof PortCases[0];
  for (size_t i = 0; i < count; ++i) {
    int slot = SlotOf(&PortCases[i]);
    int result = CALL(dll.PortOut, PortCases[i].Port, PortCases[i].Value);
    int expected = slot == Rejected ? 1 : slot;
    Check(result == expected, "PortOut(%u) gives %d, expected %d", PortCases[i].Port, result, expected);
  }
  /* Read back only after all writes: each port keeps its own slot. */
  for (size_t i = 0; i < count; ++i) {
    unsigned short expected = SlotOf(&PortCases[i]) == Rejected ? 0 : PortCases[i].Value;
    unsigned short seen = CALL(dll.PortQinp, PortCases[i].Port);
    Check(seen == expected, "PortQinp(%u) gives 0x%X, expected 0x%X", PortCases[i].Port, seen, expected);
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
  static const unsigned short ValidPorts[] = {3, 16, 32, 37, 69};
  for (size_t i = 0; i < sizeof ValidPorts / sizeof ValidPorts[0]; ++i) {
    if (simulated) WriteRegister(DataReg, 0x77);
    unsigned short seen = CALL(dll.PortIinp, ValidPorts[i]);
    Check(seen == 0, "PortIinp(%u) gives %u, expected 0", ValidPorts[i], seen);
    if (simulated)
      Check(ReadRegister(DataReg) == 0, "PortIinp(%u) reads the board's input into DataReg", ValidPorts[i]);
  }
  if (simulated) WriteRegister(DataReg, 0x77);
  Check(CALL(dll.PortIinp, 22) == 0, "PortIinp(22) of a rejected port gives 0");
  if (simulated) Check(ReadRegister(DataReg) == 0x77, "a rejected PortIinp reads no input");
  Check(CALL(dll.PortIinp, 80) == 0, "PortIinp(80) gives 0");
}

static void TestAllOutClear(void) {
  CALL(dll.PortOut, 5, 0x0055);
  CALL(dll.PortOut, 15, 0x1234);
  static const unsigned short GroupPorts[] = {16, 21, 32, 37, 53, 64, 69, 80, 117, 133};
  for (size_t i = 0; i < sizeof GroupPorts / sizeof GroupPorts[0]; ++i)
    CALL(dll.PortOut, GroupPorts[i], 0x00FF);
  CALLV0(dll.AllOutClear);
  Check(CALL(dll.PortQinp, 5) == 0x0055 && CALL(dll.PortQinp, 15) == 0x1234,
        "AllOutClear leaves the direct ports alone");
  for (size_t i = 0; i < sizeof GroupPorts / sizeof GroupPorts[0]; ++i) {
    unsigned short seen = CALL(dll.PortQinp, GroupPorts[i]);
    Check(seen == 0, "AllOutClear sets port %u to 0 (it reads 0x%X)", GroupPorts[i], seen);
  }
  CheckWriteEndedWith("AllOutClear", kestrel ? CtrlEnable | CtrlBank : CtrlEnable);
}

void TestLogicalPorts(void) {
  OpenSimulatedBoard();
  TestPortWrites();
  TestPortRegisters();
  TestPortReads();
  TestAllOutClear();
}

/* ---- Bits and blocks ---------------------------------------------------- */

enum BitOperation { SetBit, ClearBit };
struct BitCase {
  enum BitOperation Operation;
  unsigned short Port;
  unsigned short Bit;
  int KestrelResult;
  int MerlinResult;
  unsigned short After; /* PortQinp afterwards, where the port is accepted */
};
/* Run in order, after PortOut(16, 0x0100), PortOut(17, 0x0008), PortOut(80, 0). */
static const struct BitCase BitCases[] = {
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
  for (size_t i = 0; i < sizeof BitCases / sizeof BitCases[0]; ++i) {
    const struct BitCase* c = &BitCases[i];
    const char* name = c->Operation == SetBit ? "BitOn" : "BitOff";
    BitFn fn = c->Operation == SetBit ? dll.BitOn : dll.BitOff;
    int expected = kestrel ? c->KestrelResult : c->MerlinResult;
    int result = CALL(fn, c->Port, c->Bit);
    unsigned short after = CALL(dll.PortQinp, c->Port);
    unsigned short expectedAfter = expected == 1 ? 0 : c->After;
    Check(result == expected && after == expectedAfter,
          "%s(%u, %u) gives %d and leaves 0x%X (expected %d, 0x%X)", name, c->Port, c->Bit, result, after,
          expected, expectedAfter);
  }
  Check(CALL(dll.BitOff, 37, 6) == 27 && CALL(dll.PortQinp, 37) == 0, "BitOff(37, 6) clears it");
  CheckWriteEnded("BitOff(37, 6)");
}

struct TestBitCase {
  unsigned short Port;
  unsigned short Bit;
  unsigned short Set;
};
/* Port 16 holds 0x8009 from the bit writes. */
static const struct TestBitCase TestBitCases[] = {
    {16, 0, 1},  {16, 1, 0},  {16, 3, 1},  {16, 8, 0},  {16, 15, 1},
    {16, 19, 0}, {16, 31, 0}, {16, 32, 1}, {16, 47, 1}, {22, 0, 0},
};

static void TestBitTests(void) {
  for (size_t i = 0; i < sizeof TestBitCases / sizeof TestBitCases[0]; ++i) {
    const struct TestBitCase* c = &TestBitCases[i];
    unsigned short seen = CALL(dll.TestQbit, c->Port, c->Bit);
    Check(seen == c->Set, "TestQbit(%u, %u) gives %u, expected %u", c->Port, c->Bit, seen, c->Set);
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
  static const unsigned short NoOutputs[6] = {0, 0, 0, 0, 0, 0};
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
  CheckGroupBlock(0x90, NoOutputs);

  unsigned short block[BlockWords];
  FetchBlock(0x0105, block);
  int direct = 1;
  for (int k = 0; k < BlockWords; ++k) direct &= block[k] == 0;
  Check(direct, "GetIOBlockData(0x0105) reads all sixteen direct inputs (0)");
}

void TestBitsAndBlocks(void) {
  OpenSimulatedBoard();
  TestBitWrites();
  TestBitTests();
  TestBlocks();
}
