#include "tests/kernel/lab_board.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "board/interrupts.h"
#include "portio/board_description.h"

namespace lineio::testing::lab {

namespace {

constexpr std::uint32_t SpaceZero = 0;
constexpr off_t CommandOffset = 4;

// The names in a directory, but for those starting with '.'.
std::vector<std::string> Entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* directory = opendir(path.c_str())) {
    while (const dirent* entry = readdir(directory)) {
      if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    closedir(directory);
  }
  return names;
}

}  // namespace

std::string TreeFunctionDirectory() {
  const char* root = std::getenv("LINEIO_SYSFS_ROOT");
  const std::string devices = std::string(root != nullptr ? root : "/nonexistent") + "/bus/pci/devices";
  const std::vector<std::string> functions = Entries(devices);
  return functions.size() == 1 ? devices + "/" + functions.front() : "/nonexistent";
}

std::string RealFunctionDirectory() {
  char resolved[PATH_MAX];
  const std::string config = TreeFunctionDirectory() + "/config";
  if (realpath(config.c_str(), resolved) == nullptr) return "/nonexistent";
  const std::string path = resolved;
  return path.substr(0, path.rfind('/'));
}

std::string RealFunctionName() {
  const std::string directory = RealFunctionDirectory();
  return directory.substr(directory.rfind('/') + 1);
}

std::optional<std::string> UioName() {
  for (const std::string& name : Entries(RealFunctionDirectory() + "/uio")) {
    if (name.rfind("uio", 0) == 0) return name;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> KernelTotal() {
  const std::optional<std::string> uio = UioName();
  if (!uio) return std::nullopt;
  std::ifstream event(RealFunctionDirectory() + "/uio/" + *uio + "/event");
  std::uint32_t total = 0;
  if (!(event >> total)) return std::nullopt;
  return total;
}

std::optional<std::uint32_t> VfioKernelTotal() {
  std::ifstream interrupts("/proc/interrupts");
  const std::string name = "vfio-intx(" + RealFunctionName() + ")";
  for (std::string line; std::getline(interrupts, line);) {
    if (line.find(name) == std::string::npos) continue;
    std::istringstream fields(line.substr(line.find(':') + 1));
    std::uint32_t total = 0;
    for (std::uint32_t count = 0; fields >> count;) total += count;
    return total;
  }
  return std::nullopt;
}

std::uint16_t CommandRegister() {
  std::uint16_t value = 0xFFFF;
  const int fd = open((RealFunctionDirectory() + "/config").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    if (pread(fd, &value, sizeof value, CommandOffset) != sizeof value) value = 0xFFFF;
    close(fd);
  }
  return value;
}

void SetCommandRegister(std::uint16_t value) {
  const int fd = open((RealFunctionDirectory() + "/config").c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = pwrite(fd, &value, sizeof value, CommandOffset);
  close(fd);
}

bool WriteSysfs(const std::string& path, const std::string& line) {
  std::ofstream file(path);
  file << line << std::flush;
  return static_cast<bool>(file);
}

BoardHandle* OpenWithInterrupts(std::string& failure) {
  BoardHandle* board = nullptr;
  const std::uint32_t opened = OpenBoard(board, ThisBoard().Vendor, ThisBoard().Device, 0, 1);
  failure = processState.Board.ErrorText;
  return opened == 1 ? board : nullptr;
}

std::uint32_t EnableWithAcknowledge(BoardHandle* board, InterruptHandler handler, std::uint32_t bit) {
  const ResourceItem& range = board->Registration.Card.Items[board->Spaces[SpaceZero].ItemIndex];
  TransferCommand acknowledge{};
  acknowledge.Command = MemWriteDword;
  acknowledge.Address = range.Value2 + EduAcknowledge;
  acknowledge.Data = bit;
  return EnableInterruptWith(board, handler, acknowledge);
}

std::uint32_t ReadEdu(BoardHandle* board, std::uint32_t offset) {
  return ReadSpaceDword(board, SpaceZero, offset);
}

void WriteEdu(BoardHandle* board, std::uint32_t offset, std::uint32_t value) {
  WriteSpaceDword(board, SpaceZero, offset, value);
}

int ThreadCount() { return static_cast<int>(Entries("/proc/self/task").size()); }

}  // namespace lineio::testing::lab
