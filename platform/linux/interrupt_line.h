// The interrupt of a card bound to uio_pci_generic. The kernel counts the
// card's interrupts and masks its INTx at each one by setting the Interrupt
// Disable bit of the command register; a read of /dev/uioN gives the running
// total once it has gone up. A wait therefore clears that bit, waits on the
// uio device and on a stop event together, and reads the total: the difference from the total before is the
// number of interrupts received since, so the difference minus one were lost.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/linux/interrupt_wait.h"

namespace lineio::platform::linuxpci {

class InterruptLine final : public InterruptWait {
 public:
  // Opens the uio device of the function in `functionDirectory` (its uio/uioN
  // entry names the device under `devRoot`) and a stop event. The line is
  // unmasked through `configFd`, the card's configuration file, open for
  // reading and writing, which the caller keeps open while the line lives;
  // `name` names the card in lines. Nothing, with a line on standard error,
  // when the function has no uio device or it cannot be opened.
  static std::unique_ptr<InterruptLine> Open(const std::string& functionDirectory, const std::string& devRoot,
                                             int configFd, std::string name,
                                             std::vector<TransferCommand> commands);
  ~InterruptLine() override;

  // Unmasks the line, unless the kernel has taken an interrupt since the last
  // wait, and blocks until an interrupt or Stop. On WaitEnd::Interrupt,
  // `received` is the number of interrupts since the previous wait (at least
  // 1). A total that does not go forward ends the wait with WaitEnd::Failed
  // and a line. The uio device or the configuration space going away ends it
  // with WaitEnd::Gone.
  WaitEnd Wait(std::uint32_t& received) override;
  void Stop() override;

 private:
  InterruptLine(int uioFd, int stopFd, int configFd, std::string name, std::string device,
                std::optional<std::uint32_t> baseline, std::vector<TransferCommand> commands);
  std::optional<WaitEnd> UnmaskUnlessTaken(std::uint32_t& received);
  WaitEnd Block(std::uint32_t& received);
  std::optional<WaitEnd> TakeTotal(std::uint32_t& received);
  WaitEnd Account(std::uint32_t total, std::uint32_t& received);
  WaitEnd Lose(const std::string& line);

  const int uioFd_;
  const int stopFd_;
  const int configFd_;
  const std::string name_;
  const std::string device_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> gone_{false};
  std::mutex totalLock_;
  std::optional<std::uint32_t> lastTotal_;  // the total at the last wait, or at enable
};

}  // namespace lineio::platform::linuxpci
