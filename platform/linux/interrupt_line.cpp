#include "platform/linux/interrupt_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/failure_lines.h"
#include "platform/linux/sysfs_files.h"
#include "platform/linux/sysfs_number.h"

namespace lineio::platform::linuxpci {

namespace {

constexpr off_t CommandRegister = 4;
constexpr std::uint16_t InterruptDisableBit = 0x0400;
constexpr int BitsPerByte = 8;
constexpr std::uint16_t ByteMask = 0xFF;
constexpr std::size_t EventFileBytes = 64;
constexpr std::uint32_t MaxForwardStep = 0x7FFFFFFF;  // a larger difference is a total going backwards
constexpr std::uint64_t Max32 = 0xFFFFFFFF;

// The name of the function's uio device ("uio0"), from its uio/ directory.
std::optional<std::string> UioDeviceName(const std::string& functionDirectory) {
  std::optional<std::string> name;
  if (DIR* directory = opendir((functionDirectory + "/uio").c_str())) {
    while (const dirent* entry = readdir(directory)) {
      if (std::strncmp(entry->d_name, "uio", 3) == 0) {
        name = entry->d_name;
        break;
      }
    }
    closedir(directory);
  }
  return name;
}

// The device's running total now, from its `event` file, when it has one.
std::optional<std::uint32_t> CurrentTotal(const std::string& functionDirectory, const std::string& device) {
  int error = 0;
  const std::optional<std::string> text =
      ReadSmallFile(functionDirectory + "/uio/" + device + "/event", EventFileBytes, error);
  if (!text) return std::nullopt;
  const std::optional<std::uint64_t> total = ParseSysfsNumber(*text, Max32);
  if (!total) return std::nullopt;
  return static_cast<std::uint32_t>(*total);
}

// The command register is read and written whole, 16 bits at offset 4: a
// 1-byte write of its high byte, where the Interrupt Disable bit lies, changes
// the register on a real chipset, but QEMU re-evaluates that bit only for
// writes that cover the register's low byte, so an interrupt pending at the
// unmask stayed stuck there and the kernel ended up disabling the line
// ("nobody cared"). The status register beside it, whose bits clear when 1 is
// written, is not touched. The bytes are the bus's, little-endian.
bool ReadCommand(int configFd, std::uint16_t& command) {
  std::uint8_t bytes[2] = {};
  if (pread(configFd, bytes, sizeof bytes, CommandRegister) != static_cast<ssize_t>(sizeof bytes))
    return false;
  command = static_cast<std::uint16_t>(bytes[0] | bytes[1] << BitsPerByte);
  return true;
}

bool WriteCommand(int configFd, std::uint16_t command) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(command & ByteMask),
                                 static_cast<std::uint8_t>(command >> BitsPerByte)};
  return pwrite(configFd, bytes, sizeof bytes, CommandRegister) == static_cast<ssize_t>(sizeof bytes);
}

}  // namespace

std::unique_ptr<InterruptLine> InterruptLine::Open(const std::string& functionDirectory,
                                                   const std::string& devRoot, int configFd, std::string name,
                                                   std::vector<TransferCommand> commands) {
  const std::optional<std::string> device = UioDeviceName(functionDirectory);
  if (!device) {
    ReportFailure("%s has no uio device: bind it to uio_pci_generic to use its interrupt (see README)",
                  functionDirectory.c_str());
    return nullptr;
  }
  // The total before the device is opened: interrupts from then on count.
  const std::optional<std::uint32_t> baseline = CurrentTotal(functionDirectory, *device);
  const std::string path = devRoot + "/" + *device;
  const int uioFd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (uioFd < 0) {
    ReportFailure("cannot open %s: %s", path.c_str(), OpenFailureReason(errno).c_str());
    return nullptr;
  }
  const int stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) {
    ReportFailure("cannot make an event for %s: %s", path.c_str(), std::strerror(errno));
    close(uioFd);
    return nullptr;
  }
  return std::unique_ptr<InterruptLine>(
      new InterruptLine(uioFd, stopFd, configFd, std::move(name), path, baseline, std::move(commands)));
}

InterruptLine::InterruptLine(int uioFd, int stopFd, int configFd, std::string name, std::string device,
                             std::optional<std::uint32_t> baseline, std::vector<TransferCommand> commands)
    : InterruptWait(std::move(commands)),
      uioFd_(uioFd),
      stopFd_(stopFd),
      configFd_(configFd),
      name_(std::move(name)),
      device_(std::move(device)),
      lastTotal_(baseline) {}

InterruptLine::~InterruptLine() {
  close(uioFd_);
  close(stopFd_);
}

void InterruptLine::Stop() {
  stopped_.store(true);
  SignalStop(stopFd_);
}

InterruptLine::WaitEnd InterruptLine::Wait(std::uint32_t& received) {
  if (stopped_.load()) return WaitEnd::Stopped;
  if (gone_.load()) return WaitEnd::Gone;
  if (const std::optional<WaitEnd> taken = UnmaskUnlessTaken(received)) return *taken;
  return Block(received);
}

// Masked, the line holds either the interrupt of the last wait, whose
// commands have run since, or one that the kernel took after that wait. That
// one is reported now, the line still masked, so that its commands acknowledge
// the card before the next wait unmasks: unmasked first, a card still
// asserting its interrupt would interrupt again and be counted twice. While
// the line is masked the kernel takes no interrupt of the card, so nothing
// slips in between the look at the total and the unmask.
std::optional<InterruptLine::WaitEnd> InterruptLine::UnmaskUnlessTaken(std::uint32_t& received) {
  std::uint16_t command = 0;
  if (!ReadCommand(configFd_, command)) {
    return Lose(name_ + ": cannot read the command register: " + std::strerror(errno));
  }
  if ((command & InterruptDisableBit) == 0) return std::nullopt;
  if (const std::optional<WaitEnd> taken = TakeTotal(received)) return taken;
  if (!WriteCommand(configFd_, static_cast<std::uint16_t>(command & ~InterruptDisableBit))) {
    return Lose(name_ + ": cannot clear the Interrupt Disable bit: " + OpenFailureReason(errno));
  }
  return std::nullopt;
}

InterruptLine::WaitEnd InterruptLine::Block(std::uint32_t& received) {
  for (;;) {
    short events = 0;
    const Readiness readiness = AwaitReadable(uioFd_, stopFd_, events);
    if (readiness == Readiness::Failed) {
      ReportFailure("waiting on %s failed: %s", device_.c_str(), std::strerror(errno));
      return WaitEnd::Failed;
    }
    if (readiness == Readiness::Stopped || stopped_.load()) return WaitEnd::Stopped;
    if (const std::optional<WaitEnd> taken = TakeTotal(received)) return *taken;
    // Nothing to read: an error or hang-up that the read did not show.
    if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) return Lose("");
  }
}

// A read of the uio device, which does not block: the total when the kernel
// has taken an interrupt since the last read, nothing when it has not. A
// device that fails the read or ends (an unbound card's) is gone.
std::optional<InterruptLine::WaitEnd> InterruptLine::TakeTotal(std::uint32_t& received) {
  for (;;) {
    std::uint32_t total = 0;
    const ssize_t got = read(uioFd_, &total, sizeof total);
    if (got == static_cast<ssize_t>(sizeof total)) return Account(total, received);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return std::nullopt;
    return Lose(got > 0 ? device_ + " gave a short interrupt total" : "");
  }
}

// Ends this wait and every later one (WaitEnd::Gone) with one line: the
// given one, or, when it is empty, that the uio device is gone.
InterruptLine::WaitEnd InterruptLine::Lose(const std::string& line) {
  if (line.empty()) {
    ReportFailure("%s is gone (is the card still bound to uio_pci_generic?): its interrupt service ends",
                  device_.c_str());
  } else {
    ReportFailure("%s; its interrupt service ends", line.c_str());
  }
  gone_.store(true);
  return WaitEnd::Gone;
}

InterruptLine::WaitEnd InterruptLine::Account(std::uint32_t total, std::uint32_t& received) {
  std::lock_guard guard(totalLock_);
  // Without a total at enable, the first wait counts its own interrupt only.
  const std::uint32_t step = lastTotal_ ? total - *lastTotal_ : 1;
  if (step == 0 || step > MaxForwardStep) {
    ReportFailure("%s gave the interrupt total %u after %u: it must go forward", device_.c_str(), total,
                  lastTotal_.value_or(0));
    return WaitEnd::Failed;
  }
  lastTotal_ = total;
  received = step;
  return WaitEnd::Interrupt;
}

}  // namespace lineio::platform::linuxpci
