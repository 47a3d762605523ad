#include "tests/linux/fake_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lineio::testing {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t IoFlags = 0x40101;
constexpr std::uint64_t MemoryFlags = 0x40200;
constexpr std::uint64_t WideMemoryFlags = 0x140204;
constexpr std::uint32_t ConfigBar0 = 0x10;
constexpr std::uint32_t ConfigInterruptLine = 0x3C;
constexpr std::uint32_t ConfigInterruptPin = 0x3D;
constexpr int ResourceLines = 7;

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void PutDword(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t value) {
  for (std::uint32_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::string ResourceText(const FakeFunction& function) {
  std::string text;
  for (int line = 0; line < ResourceLines; ++line) {
    std::uint64_t start = 0, end = 0, flags = 0;
    const auto bar = static_cast<std::size_t>(line);
    if (bar < function.Bars.size() && function.Bars[bar]) {
      const FakeRange& range = *function.Bars[bar];
      start = range.Start;
      end = range.Start + range.Length - 1;
      flags = range.Io ? IoFlags : range.Wide ? WideMemoryFlags : MemoryFlags;
    }
    char row[80];
    std::snprintf(row, sizeof row, "0x%016" PRIx64 " 0x%016" PRIx64 " 0x%016" PRIx64 "\n", start, end, flags);
    text += row;
  }
  return text;
}

std::vector<std::uint8_t> ConfigSpace(const FakeFunction& function) {
  std::vector<std::uint8_t> config(function.ConfigBytes, 0);
  PutDword(config, 0, std::uint32_t{function.Device} << 16 | function.Vendor);
  PutDword(config, 8, function.ClassCode << 8);
  for (std::size_t bar = 0; bar < function.Bars.size(); ++bar) {
    if (!function.Bars[bar]) continue;
    const FakeRange& range = *function.Bars[bar];
    const auto offset = static_cast<std::uint32_t>(ConfigBar0 + 4 * bar);
    if (range.Io) {
      PutDword(config, offset, static_cast<std::uint32_t>(range.Start) | 1);
    } else {
      PutDword(config, offset, static_cast<std::uint32_t>(range.Start) | (range.Wide ? 4 : 0));
      if (range.Wide) PutDword(config, offset + 4, static_cast<std::uint32_t>(range.Start >> 32));
    }
  }
  if (function.Irq != 0 && config.size() > ConfigInterruptPin) {
    config[ConfigInterruptLine] = static_cast<std::uint8_t>(function.Irq);
    config[ConfigInterruptPin] = 1;
  }
  return config;
}

}  // namespace

FakeFunction IoBoard(std::uint32_t vendor, std::uint32_t device, const std::string& name) {
  FakeFunction function;
  function.Name = name;
  function.Vendor = static_cast<std::uint16_t>(vendor);
  function.Device = static_cast<std::uint16_t>(device);
  function.Bars = {FakeRange{true, 0xE000, 0x400}};
  return function;
}

FakeFunction MemoryBoard(std::uint32_t vendor, std::uint32_t device, const std::string& name) {
  FakeFunction function = IoBoard(vendor, device, name);
  function.Bars = {FakeRange{false, 0xE8000000, 0x1000}};
  return function;
}

FakeTree::FakeTree() {
  char pattern[] = "/tmp/lineio-tree-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  fs::create_directories(root_ + "/bus/pci/devices");
  fs::create_directories(root_ + "/bus/pci/drivers");
  fs::create_directories(root_ + "/devices/pci0000:00");
  fs::create_directories(DevRoot());
}

FakeTree::~FakeTree() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string FakeTree::FunctionDirectory(const std::string& name) const {
  return root_ + "/devices/pci0000:00/" + name;
}

std::string FakeTree::Add(const FakeFunction& function) {
  const std::string directory = FunctionDirectory(function.Name);
  fs::create_directories(directory);
  char text[32];
  std::snprintf(text, sizeof text, "0x%04x\n", function.Vendor);
  WriteText(directory + "/vendor", text);
  std::snprintf(text, sizeof text, "0x%04x\n", function.Device);
  WriteText(directory + "/device", text);
  std::snprintf(text, sizeof text, "0x%06x\n", function.ClassCode);
  WriteText(directory + "/class", text);
  WriteText(directory + "/irq", std::to_string(function.Irq) + "\n");
  WriteText(directory + "/resource", ResourceText(function));
  const std::vector<std::uint8_t> config = ConfigSpace(function);
  WriteText(directory + "/config", std::string(config.begin(), config.end()));
  for (std::size_t bar = 0; bar < function.Bars.size(); ++bar) {
    if (!function.Bars[bar]) continue;
    const FakeRange& range = *function.Bars[bar];
    const std::string file = directory + "/resource" + std::to_string(bar);
    WriteText(file, "");
    fs::resize_file(file, range.FileBytes != 0 ? range.FileBytes : range.Length);
  }
  if (!function.Driver.empty()) {
    fs::create_directories(root_ + "/bus/pci/drivers/" + function.Driver);
    fs::create_symlink("../../../bus/pci/drivers/" + function.Driver, directory + "/driver");
  }
  if (function.Uio >= 0) {
    const std::string uio = "uio" + std::to_string(function.Uio);
    fs::create_directories(directory + "/uio/" + uio);
    if (mkfifo((DevRoot() + "/" + uio).c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  }
  if (function.IommuGroup >= 0) {
    const std::string group = "kernel/iommu_groups/" + std::to_string(function.IommuGroup);
    fs::create_directories(root_ + "/" + group + "/devices");
    fs::create_symlink("../../../" + group, directory + "/iommu_group");
    fs::create_symlink("../../../../devices/pci0000:00/" + function.Name,
                       root_ + "/" + group + "/devices/" + function.Name);
  }
  fs::create_symlink("../../../devices/pci0000:00/" + function.Name,
                     DevicesDirectory() + "/" + function.Name);
  return directory;
}

void FakeTree::Remove(const std::string& name) {
  fs::remove(DevicesDirectory() + "/" + name);
  std::error_code ignored;
  for (const auto& group : fs::directory_iterator(root_ + "/kernel/iommu_groups", ignored))
    fs::remove(group.path() / "devices" / name);
  fs::remove_all(FunctionDirectory(name));
}

void FakeTree::WriteFunctionFile(const std::string& name, const std::string& file,
                                 const std::string& content) {
  const std::string path = FunctionDirectory(name) + "/" + file;
  std::error_code ignored;
  fs::remove_all(path, ignored);
  WriteText(path, content);
}

void FakeTree::MakeFifo(const std::string& name, const std::string& file) {
  const std::string path = FunctionDirectory(name) + "/" + file;
  std::error_code ignored;
  fs::remove_all(path, ignored);
  if (mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("cannot make the FIFO " + path);
}

std::vector<std::uint8_t> FakeTree::ReadBytes(const std::string& path, std::uint64_t offset,
                                              std::size_t count) const {
  std::vector<std::uint8_t> bytes(count, 0);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const ssize_t got = pread(fd, bytes.data(), count, static_cast<off_t>(offset));
  close(fd);
  if (got != static_cast<ssize_t>(count)) throw std::runtime_error("short read of " + path);
  return bytes;
}

void FakeTree::WriteBytes(const std::string& path, std::uint64_t offset,
                          const std::vector<std::uint8_t>& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const ssize_t put = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
  close(fd);
  if (put != static_cast<ssize_t>(bytes.size())) throw std::runtime_error("short write of " + path);
}

std::string FakeTree::RangeFile(const std::string& name, int bar) const {
  return FunctionDirectory(name) + "/resource" + std::to_string(bar);
}

std::uint8_t FakeTree::ConfigByte(const std::string& name, std::uint32_t offset) const {
  return ReadBytes(FunctionDirectory(name) + "/config", offset, 1)[0];
}

void FakeTree::SetConfigByte(const std::string& name, std::uint32_t offset, std::uint8_t value) {
  WriteBytes(FunctionDirectory(name) + "/config", offset, {value});
}

HeldResources CountHeld(const std::string& root) {
  HeldResources held{0, 0};
  if (DIR* directory = opendir("/proc/self/fd")) {
    while (const dirent* entry = readdir(directory)) {
      if (entry->d_name[0] != '.') ++held.Descriptors;
    }
    closedir(directory);
  }
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find(root) != std::string::npos) ++held.Mappings;
  }
  return held;
}

}  // namespace lineio::testing
