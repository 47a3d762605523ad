// The trace's file: paths it refuses, a file that takes no more, two
// processes given one path, a process that dies of a signal, a buffer of
// bounded size; and the lines of a session as the library writes them.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/messages.h"
#include "lineio.h"
#include "portio/board_description.h"
#include "tests/support/board_fixture.h"
#include "tracing/tracer.h"

namespace lineio::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// The lines without their time stamps.
std::vector<std::string> Payloads(const std::string& path) {
  std::vector<std::string> payloads;
  for (const std::string& line : Lines(path)) {
    const std::size_t blank = line.find(' ');
    EXPECT_NE(blank, std::string::npos) << line;
    EXPECT_EQ(line.find_first_not_of("0123456789"), blank) << line;
    payloads.push_back(line.substr(blank + 1));
  }
  return payloads;
}

class TraceFileTest : public BoardTest {
 public:
  TraceFileTest() {
    char pattern[] = "/tmp/lineio-trace-XXXXXX";
    EXPECT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    AddOwnBoard();
  }
  ~TraceFileTest() override {
    StopTrace();
    fs::remove_all(directory_);
  }
  std::string PathOf(const std::string& name) const { return directory_ + "/" + name; }
  const std::string& Directory() const { return directory_; }

 private:
  std::string directory_;
};

TEST_F(TraceFileTest, ASessionGivesItsCallsAccessesLoadsAndMessagesInOrder) {
  ASSERT_EQ(LineioTrace(PathOf("t").c_str()), 1);
  ::testing::internal::CaptureStdout();
  PortInit(0);
  ::testing::internal::GetCapturedStdout();
  TakeAccesses();
  ContSigSW(0x34);
  const std::vector<std::string> board = TakeAccesses();
  PortEnd();
  const std::vector<std::string> lines = Payloads(PathOf("t"));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string("! lineio 1.0.0 trace of the ") + ThisBoard().Name + " board");
  EXPECT_EQ(lines[1], "! registers 0310 0312 0314 0316");
  EXPECT_EQ(lines[2], "> PortInit 0");
  EXPECT_EQ(lines[3], "# DOVEVED PCI card found!");
  // The serial control's lines: its call, exactly the accesses the board saw
  // (in the analyser's format), the load after the write that made it, the result.
  const auto call = std::find(lines.begin(), lines.end(), "> ContSigSW 52");
  ASSERT_NE(call, lines.end());
  std::vector<std::string> accesses;
  std::vector<std::string> loads;
  auto line = call + 1;
  for (; line != lines.end() && *line != "= -"; ++line) {
    (line->starts_with("L ") ? loads : accesses).push_back(*line);
  }
  EXPECT_EQ(accesses, board);
  EXPECT_EQ(loads, std::vector<std::string>{"L sigsw 34"});
  ASSERT_NE(line, lines.end());
  EXPECT_EQ(*(line + 1), "> PortEnd");
}

TEST_F(TraceFileTest, PathsThatCannotBeWrittenAreRefusedAndTheHostGoesOn) {
  const std::string file = PathOf("plain");
  std::ofstream(file) << "x";
  for (const std::string& path : {Directory(), file + "/below", std::string("")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(LineioTrace(path.c_str()), 0);
    EXPECT_FALSE(TraceRunning());
  }
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(StartTraceOrSay(PathOf("").c_str()));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "lineio: cannot trace to " + PathOf("") + ": Is a directory\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(PortInit(0), 1);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(PortOut(16, 1), 16);
}

TEST_F(TraceFileTest, AFileThatTakesNoMoreStopsTheTraceWithOneLine) {
  ASSERT_EQ(LineioTrace("/dev/full"), 1);
  ::testing::internal::CaptureStdout();
  PortInit(0);
  ::testing::internal::GetCapturedStdout();
  ::testing::internal::CaptureStderr();
  for (int i = 0; i < 20; ++i) PortOut(16, static_cast<uint16_t>(i));
  EXPECT_EQ(PortEnd(), 1);
  PortInit(0);
  PortEnd();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "lineio: the trace to /dev/full stopped: No space left on device\n");
  EXPECT_FALSE(TraceRunning());
  EXPECT_EQ(PortQinp(16), 0);
}

TEST_F(TraceFileTest, TheBufferIsWrittenOutWhenFullSoItsSizeStaysBounded) {
  const std::string path = PathOf("long");
  ASSERT_EQ(LineioTrace(path.c_str()), 1);
  ::testing::internal::CaptureStdout();
  PortInit(0);
  ::testing::internal::GetCapturedStdout();
  // Written out while the session runs, each time nearly a whole buffer;
  // the rest at PortEnd.
  constexpr std::uintmax_t LongestLine = 192;
  std::uintmax_t largest = 0;
  int writes = 0;
  for (int i = 0; i < 2000; ++i) {
    PortOut(16, static_cast<uint16_t>(i));
    const std::uintmax_t size = fs::file_size(path);
    if (size == largest) continue;
    EXPECT_GT(size - largest, TraceBufferBytes - LongestLine);
    EXPECT_LE(size - largest, TraceBufferBytes);
    largest = size;
    ++writes;
  }
  EXPECT_GT(writes, 2);
  PortEnd();
  EXPECT_GT(fs::file_size(path), largest);
  EXPECT_LT(fs::file_size(path) - largest, TraceBufferBytes);
}

TEST_F(TraceFileTest, StoppingWritesEverythingOutAndAStoppedTraceWritesNoMore) {
  const std::string path = PathOf("stopped");
  ASSERT_EQ(LineioTrace(path.c_str()), 1);
  OutB(0x300, 1);
  EXPECT_EQ(LineioTrace(nullptr), 1);
  EXPECT_FALSE(TraceRunning());
  const auto size = fs::file_size(path);
  OutB(0x300, 2);
  EXPECT_EQ(fs::file_size(path), size);
  EXPECT_EQ(Payloads(path).back(), "= -");
}

// Each process writes a file of its own: the first the path, a second one
// that finds it taken the path with its process id appended.
TEST_F(TraceFileTest, TwoProcessesGivenOnePathWriteTwoFiles) {
  const std::string path = PathOf("shared");
  ASSERT_EQ(LineioTrace(path.c_str()), 1);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const bool started = StartTrace(path.c_str());
    const bool own = std::string(TracePath()) == path + "." + std::to_string(getpid());
    OutB(0x300, 7);
    StopTrace();
    _exit(started && own ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  OutB(0x300, 9);
  StopTrace();
  const std::vector<std::string> mine = Payloads(path);
  const std::vector<std::string> theirs = Payloads(path + "." + std::to_string(child));
  EXPECT_NE(std::find(mine.begin(), mine.end(), "> OutB 768 9"), mine.end());
  EXPECT_EQ(std::find(mine.begin(), mine.end(), "> OutB 768 7"), mine.end());
  EXPECT_NE(std::find(theirs.begin(), theirs.end(), "> OutB 768 7"), theirs.end());
}

TEST_F(TraceFileTest, AProcessThatDiesOfASignalLeavesItsTraceWritten) {
  const std::string path = PathOf("crash");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    StartTrace(path.c_str());
    PortInit(0);
    OutB(0x300, 0x42);
    // abort's SIGABRT: a sanitizer keeps SIGSEGV for itself, and the trace
    // then leaves it to it.
    std::abort();
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGABRT);
  const std::vector<std::string> lines = Payloads(path);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "= -");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "W 0300 42"), lines.end());
}

TEST(MessageStreamTest, TheEnvironmentChoosesWhereMessagesGo) {
  struct Case {
    const char* Value;
    MessageStream Stream;
  };
  for (const Case& c : {Case{nullptr, MessageStream::Stdout}, Case{"stdout", MessageStream::Stdout},
                        Case{"stderr", MessageStream::Stderr}, Case{"off", MessageStream::Off},
                        Case{"OFF", MessageStream::Stdout}, Case{"", MessageStream::Stdout}}) {
    SCOPED_TRACE(c.Value == nullptr ? "unset" : c.Value);
    EXPECT_EQ(MessageStreamNamed(c.Value), c.Stream);
  }
}

}  // namespace
}  // namespace lineio::testing
