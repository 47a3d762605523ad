// Support for the console tests: expected texts, a driver that records the
// configuration accesses that reach it, and the cards the dialogues work on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/driver_service.h"
#include "sim/simulated_driver.h"
#include "tests/support/board_fixture.h"

namespace lineio::testing {

inline std::string Expected(const std::string& name) {
  std::ifstream file(std::string(LINEIO_CONSOLE_EXPECTED) + "/" + name);
  EXPECT_TRUE(file.good()) << "missing expected text " << name;
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

inline std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// One configuration access as the driver received it.
struct ConfigAccess {
  bool Read;
  std::uint32_t Offset;
  std::uint32_t Bytes;  // 1, 2 or 4
  std::uint32_t Value;  // what was written, or what the read gave
  bool operator==(const ConfigAccess&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ConfigAccess& access) {
  return out << (access.Read ? "read " : "write ") << access.Bytes << " bytes at 0x" << std::hex
             << access.Offset << ": 0x" << access.Value << std::dec;
}

// Serves every request through the simulated driver and records the
// configuration accesses.
class RecordingDriver : public platform::DriverService {
 public:
  explicit RecordingDriver(sim::SimulatedDriver& inner) : inner_(inner) {}
  platform::OsHandle Open() override { return inner_.Open(); }
  bool Close(platform::OsHandle handle) override { return inner_.Close(handle); }
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override {
    if (code != ReqPciConfig) return inner_.Request(handle, code, record, size);
    auto& access = *static_cast<PciConfigAccess*>(record);
    const std::size_t bytes = std::min<std::size_t>(access.ByteCount, sizeof(std::uint32_t));
    std::uint32_t written = 0;
    if (access.ReadFlag == 0) std::memcpy(&written, access.Buffer, bytes);
    const bool served = inner_.Request(handle, code, record, size);
    std::uint32_t value = written;
    if (access.ReadFlag != 0) std::memcpy(&value, access.Buffer, bytes);
    Accesses.push_back(ConfigAccess{access.ReadFlag != 0, access.Offset, access.ByteCount, value});
    return served;
  }
  std::vector<ConfigAccess> Writes() const {
    std::vector<ConfigAccess> writes;
    for (const ConfigAccess& access : Accesses) {
      if (!access.Read) writes.push_back(access);
    }
    return writes;
  }
  std::vector<std::uint32_t> ReadOffsets() const {
    std::vector<std::uint32_t> offsets;
    for (const ConfigAccess& access : Accesses) {
      if (access.Read) offsets.push_back(access.Offset);
    }
    return offsets;
  }

  std::vector<ConfigAccess> Accesses;

 private:
  sim::SimulatedDriver& inner_;
};

// The card of the editor tests: identifiers 136c:a036, revision 02, class
// 118001, the double word 0x00802010 at 0x0C, I/O at register 0 (0xE8000001),
// memory at register 1, interrupt line 0x0B on pin 1, MINGNT 08, MAXLAT 2a.
inline std::unique_ptr<sim::SimCard> MakeEditorCard() {
  auto card = std::make_unique<sim::SimCard>(0x136C, 0xA036);
  card->SetClassCode(0x118001);
  card->ConfigPoke(0x08, 1, 0x02);
  card->ConfigPoke(0x0C, 4, 0x00802010);
  card->AddIoRange(0, 0xE8000000, 0x100);
  card->AddMemoryRange(1, 0xFEBC0000, 0x1000);
  card->AddInterrupt(0x0B);
  card->ConfigPoke(0x3E, 1, 0x08);
  card->ConfigPoke(0x3F, 1, 0x2A);
  return card;
}

}  // namespace lineio::testing
