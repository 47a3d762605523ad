// A line-test board on the simulated bus: the four registers of the internal-
// bus interface (DataReg, AddrReg, CtrlReg, StatReg, 2 apart) inside the I/O
// range at base address register 0, and the internal 8-bit bus behind them.
//
// The board decodes the handshake from the control bytes it is sent, as the
// hardware does:
// - a rising edge of the strobe without the read bit latches DataReg into the
//   output of the addressed port: a direct port (address 0x00-0x0F, bank bit
//   set) or a group port on the bank that the bank bit selects;
// - a control byte with the read bit puts the input of the addressed port into
//   DataReg: at once for a group port, on the rising edge of the strobe for a
//   direct port.
// An access the board cannot decode (a strobe or read whose address leads to
// no port, a strobe that drops the read bit in the middle of a read) is kept
// as a protocol error.
//
// Every other byte of the range, and DataReg and AddrReg themselves, behave as
// a register file: what is written is read back. DataReg then reads back the
// last byte written to it, or the input byte that the last read handshake put
// there. StatReg reads the status byte that the test sets.
//
// Tests speak in logical port numbers: SetInput, OutputLatch, LatchHistory.
// The histories (latches, inputs read, serial bits, click changes) keep the
// newest DefaultHistoryLimit entries unless a reader sets another limit
// (SetHistoryLimit, see History); the protocol errors keep the first
// MaxKeptProtocolErrors and count them all.
//
// Behind ports 36 and 37 sit the serially loaded devices (SerialPortDevices):
// a test asks what each device last took and how many loads it saw. Bit 0 of
// the status byte is the board's tick, toggling on the schedule the test sets
// (SetTickEvery); bit 0 of port 35, the click output, is recorded against the
// ticks (ClickChanges).
//
// Derived models of devices on the bus hook in through OnOutputLatched and
// OnStatusRead.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/board_clock.h"
#include "sim/history.h"
#include "sim/serial_devices.h"
#include "sim/sim_card.h"

namespace lineio::sim {

// Every register set of a board (offsets 0xC0 to 0x31F) lies inside its I/O range.
inline constexpr std::uint32_t BoardIoBase = 0xC000;
inline constexpr std::uint32_t BoardIoLength = 0x400;
inline constexpr std::uint32_t BoardInterruptLine = 11;
// The protocol errors a board keeps the text of; later ones are only counted.
inline constexpr std::size_t MaxKeptProtocolErrors = 100;

// The resources of a line-test board as the driver lists them: an interrupt
// item, the I/O range at base address register 0, and a bus item with the
// board's location. Two boards on one bus need different I/O bases.
void AddBoardResources(SimCard& card, std::uint32_t ioBase, std::uint32_t interruptLine);

// Where a port lies on the internal bus: the direct ports have their own
// handshake; group ports lie on the first or (Kestrel) the second bank.
enum class BusBank : std::uint8_t { Direct, First, Second };

struct BusLocation {
  BusBank Bank;
  std::uint8_t Address;

  bool operator==(const BusLocation&) const = default;
};

// One byte latched into an output port.
struct LatchedOutput {
  std::uint16_t Port;
  std::uint8_t Value;

  bool operator==(const LatchedOutput&) const = default;
};

class LineBoard : public SimCard {
 public:
  // DataReg of board 0 on an AT-compatible machine.
  static constexpr std::uint32_t DefaultRegisterBase = 0x310;
  static constexpr int RegisterBar = 0;

  // `secondBank`: whether group ports 80-133 exist on a second bank. The board
  // comes with its resources (AddBoardResources).
  LineBoard(std::uint16_t vendor, std::uint16_t device, bool secondBank, std::uint32_t ioBase,
            std::uint32_t interruptLine);

  // Where the four registers lie in the I/O range (the offset of DataReg).
  void SetRegisterBase(std::uint32_t dataReg);
  std::uint32_t RegisterBase() const;

  // The logical ports of this board: direct 0-15, group g index i as 16 g + i
  // (groups 1-4, and 5-8 on the second bank). nullopt for any other number.
  std::optional<BusLocation> LocationOf(std::uint16_t port) const;
  // The logical port at a bus location; nullopt when there is none.
  std::optional<std::uint16_t> PortAt(BusLocation location) const;

  // The byte the board presents on the input of a port. Throws
  // std::invalid_argument for a port the board does not have.
  void SetInput(std::uint16_t port, std::uint8_t value);
  // The byte last latched into the output of a port (0 at power-up). Throws
  // std::invalid_argument for a port the board does not have.
  std::uint8_t OutputLatch(std::uint16_t port) const;
  // The latches in order, and the inputs put into DataReg, by port: the
  // newest ones up to the history limit.
  std::vector<LatchedOutput> LatchHistory() const;
  std::vector<std::uint16_t> InputsRead() const;
  // Clears the latches, the inputs read and the serial bits.
  void ClearHistory();
  // The limit of every history of the board: latches, inputs read, the bits
  // of both serial ports and the click changes.
  void SetHistoryLimit(std::size_t limit);

  // The status byte that StatReg reads, and how often it was read.
  void SetStatus(std::uint8_t status);
  std::uint8_t Status() const;
  std::uint64_t StatusReads() const;

  // The status tick: bit 0 toggles on every `reads`-th read of StatReg; 0
  // stops it where it is. Ticks: the falls of the bit so far.
  void SetTickEvery(std::uint32_t reads);
  std::uint64_t Ticks() const;
  // Each change of bit 0 of the click port, with the ticks ended before it.
  std::vector<ClickChange> ClickChanges() const;

  // What a serial device last took and how many loads it saw. (Device()
  // without an argument is still the card's PCI device identifier.)
  using SimCard::Device;
  const DeviceRecord& Device(DeviceId device) const;
  // The devices of serial port 36 or 37. Throws std::invalid_argument for any
  // other port.
  const SerialPortDevices& SerialDevices(std::uint16_t port) const;
  // Called whenever a device takes a word, during the latching write.
  void SetLoadObserver(std::function<void(const DeviceLoad&)> observer);

  // The last control byte written to CtrlReg.
  std::uint8_t Control() const;
  // The location that a control byte and the AddrReg byte select; nullopt
  // when they lead to no port.
  std::optional<BusLocation> Decode(std::uint8_t control, std::uint8_t address) const;

  // Accesses the board could not decode, one line of text each: the first
  // MaxKeptProtocolErrors of them; the count is of all.
  const std::vector<std::string>& ProtocolErrors() const;
  std::uint64_t ProtocolErrorCount() const;
  void ClearProtocolErrors();

  std::uint32_t IoRead(int bar, std::uint32_t offset, int width) override;
  void IoWrite(int bar, std::uint32_t offset, int width, std::uint32_t value) override;

 protected:
  // Called after a byte was latched into an output port.
  virtual void OnOutputLatched(std::uint16_t port, std::uint8_t value);
  // Called on each read of StatReg, before the status byte is returned.
  virtual void OnStatusRead();

 private:
  // Registers relative to DataReg.
  enum class Register { None, Data, Addr, Ctrl, Stat };
  Register RegisterAt(std::uint32_t offset) const;

  std::uint8_t ReadByte(std::uint32_t offset);
  void WriteByte(std::uint32_t offset, std::uint8_t value);
  std::uint8_t StoredByte(std::uint32_t offset);
  void StoreByte(std::uint32_t offset, std::uint8_t value);

  void OnControl(std::uint8_t previous, std::uint8_t control);
  void LatchOutput(std::uint16_t port);
  // Hands a latched byte to the serial devices or the click record.
  void FeedDevices(std::uint16_t port, std::uint8_t value);
  void PresentInput(std::uint16_t port);
  void ProtocolError(const char* what, std::uint8_t control);

  bool secondBank_;
  std::uint32_t base_ = DefaultRegisterBase;
  std::uint8_t control_ = 0;
  std::uint8_t status_ = 0;
  std::uint64_t statusReads_ = 0;
  std::vector<std::uint8_t> outputs_;  // by logical port
  std::vector<std::uint8_t> inputs_;   // by logical port
  History<LatchedOutput> latches_;
  History<std::uint16_t> inputsRead_;
  std::vector<std::string> errors_;
  std::uint64_t errorCount_ = 0;
  SerialPortDevices lineDevices_{LineSerialPort};
  SerialPortDevices signalDevices_{SignalSerialPort};
  BoardClock clock_;
  std::function<void(const DeviceLoad&)> loadObserver_;
};

}  // namespace lineio::sim
