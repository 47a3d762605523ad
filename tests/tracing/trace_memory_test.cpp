// A trace of a board whose registers are a mapped memory range: it sees every
// access however the trace and the session are interleaved, and once it stops
// the accesses reach the registers as before, with nothing more traced.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "board/process_state.h"
#include "lineio.h"
#include "portio/board_description.h"
#include "sim/sim_card.h"
#include "tests/support/board_fixture.h"
#include "tracing/tracer.h"

namespace lineio::testing {
namespace {

namespace fs = std::filesystem;

// The lines between a call's line and its result, without time stamps.
std::vector<std::string> LinesOfCall(const std::string& path, const std::string& call) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(file, line);) {
    const std::string payload = line.substr(line.find(' ') + 1);
    if (inside && payload.starts_with("= ")) break;
    if (inside) lines.push_back(payload);
    if (payload == call) inside = true;
  }
  return lines;
}

enum class Start { BeforePortInit, AfterPortInit };

class TraceMemoryTest : public BoardTest, public ::testing::WithParamInterface<Start> {
 public:
  TraceMemoryTest() {
    auto card = std::make_unique<sim::SimCard>(static_cast<std::uint16_t>(ThisBoard().Vendor),
                                               static_cast<std::uint16_t>(ThisBoard().Device));
    card->AddMemoryRange(0, 0xE8000000, 0x1000);
    memory_ = Bus.AddCard(std::move(card)).MemoryOf(0);
    path_ = (fs::temp_directory_path() / ("lineio-trace-memory-" + std::to_string(::getpid()))).string();
  }
  ~TraceMemoryTest() override {
    StopTrace();
    fs::remove(path_);
  }
  std::uint8_t* Memory() { return memory_; }
  const std::string& Path() const { return path_; }

 private:
  std::uint8_t* memory_ = nullptr;
  std::string path_;
};

TEST_P(TraceMemoryTest, EveryAccessIsTracedAndAfterTheStopTheRegistersAreReachedAsBefore) {
  if (GetParam() == Start::BeforePortInit) {
    ASSERT_TRUE(StartTrace(Path().c_str()));
  }
  PortInitPrinting(0);
  ASSERT_NE(processState.Board.CurrentBoard, nullptr);
  if (GetParam() == Start::AfterPortInit) {
    ASSERT_TRUE(StartTrace(Path().c_str()));
  }
  const std::uint64_t requests = Driver.TotalRequests();

  OutW(0x21, 0xCAFE);
  Memory()[0x40] = 0x81;
  Memory()[0x41] = 0x92;
  EXPECT_EQ(InpW(0x40), 0x9281);
  EXPECT_EQ(InpD(0xFFE), 0u);  // past the range's end: nothing reached, nothing traced
  StopTrace();

  EXPECT_EQ(Memory()[0x21], 0xFE);
  EXPECT_EQ(Memory()[0x22], 0xCA);
  EXPECT_EQ(LinesOfCall(Path(), "> OutW 33 51966"), std::vector<std::string>{"W 0021 cafe"});
  EXPECT_EQ(LinesOfCall(Path(), "> InpW 64"), std::vector<std::string>{"R 0040 9281"});
  EXPECT_EQ(LinesOfCall(Path(), "> InpD 4094"), std::vector<std::string>{});

  const auto traced = fs::file_size(Path());
  OutB(0x10, 0x55);
  Memory()[0x11] = 0x66;
  EXPECT_EQ(Memory()[0x10], 0x55);
  EXPECT_EQ(InpB(0x11), 0x66);
  EXPECT_EQ(InpD(0xFFE), 0u);
  EXPECT_EQ(fs::file_size(Path()), traced);
  EXPECT_EQ(Driver.TotalRequests(), requests);  // a mapped range: never a request
  PortEnd();
}

INSTANTIATE_TEST_SUITE_P(, TraceMemoryTest, ::testing::Values(Start::BeforePortInit, Start::AfterPortInit),
                         [](const ::testing::TestParamInfo<Start>& start) {
                           return start.param == Start::BeforePortInit ? "TraceStartedBeforePortInit"
                                                                       : "TraceStartedAfterPortInit";
                         });

}  // namespace
}  // namespace lineio::testing
