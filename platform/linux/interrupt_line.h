// The interrupt of a card bound to uio_pci_generic. The kernel counts the
// card's interrupts and masks its INTx at each one by setting the Interrupt
// Disable bit of the command register; a read of /dev/uioN blocks until the
// next interrupt and gives the running total. A wait therefore clears that
// bit, waits on the uio device and on a stop event together, and reads the
// total: the difference from the total before is the number of interrupts
// received since, so the difference minus one were lost.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/records.h"

namespace lineio::platform::linuxpci {

// More commands than any caller performs at one interrupt: the list is refused.
inline constexpr std::uint32_t MaxInterruptCommands = 64;

// Clears bit 10 of the command register (the Interrupt Disable bit) with a
// 16-bit read-modify-write at configuration offset 4, through the card's open
// configuration file, leaving its other bits as they are. False, with a line
// on standard error, when the file cannot be read or written.
bool ClearInterruptDisable(int configFd, const std::string& name);

class InterruptLine {
 public:
  enum class WaitEnd { Interrupt, Stopped, Failed };

  // Opens the uio device of the function in `functionDirectory` (its uio/uioN
  // entry names the device under `devRoot`) and a stop event. Nothing, with a
  // line on standard error, when the function has no uio device or it cannot
  // be opened.
  static std::unique_ptr<InterruptLine> Open(const std::string& functionDirectory, const std::string& devRoot,
                                             std::vector<TransferCommand> commands);
  ~InterruptLine();
  InterruptLine(const InterruptLine&) = delete;
  InterruptLine& operator=(const InterruptLine&) = delete;

  // Blocks until an interrupt or Stop. On WaitEnd::Interrupt, `received` is
  // the number of interrupts since the previous wait (at least 1). A total
  // that does not go forward ends the wait with WaitEnd::Failed and a line.
  WaitEnd Wait(std::uint32_t& received);
  // Ends every pending and later wait with WaitEnd::Stopped. Any thread.
  void Stop();
  const std::vector<TransferCommand>& Commands() const { return commands_; }

 private:
  InterruptLine(int uioFd, int stopFd, std::string device, std::optional<std::uint32_t> baseline,
                std::vector<TransferCommand> commands);
  WaitEnd Account(std::uint32_t total, std::uint32_t& received);

  const int uioFd_;
  const int stopFd_;
  const std::string device_;
  const std::vector<TransferCommand> commands_;
  std::atomic<bool> stopped_{false};
  std::mutex totalLock_;
  std::optional<std::uint32_t> lastTotal_;  // the total at the last wait, or at enable
};

}  // namespace lineio::platform::linuxpci
