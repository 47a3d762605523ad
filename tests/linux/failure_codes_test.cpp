// Why PortInit failed, as a host asks it (LineioLastFailure, LineioFailureText,
// LineioBoardAccess): each refusal of the Linux backend on a fake tree, and
// the library's own failures, with the code and the text they give. The
// lines on standard error and standard output stay as they were.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "lineio.h"
#include "portio/board_description.h"
#include "portio/startup.h"
#include "tests/linux/backend_fixture.h"

namespace lineio::testing {
namespace {

constexpr char Board[] = "0000:03:00.0";
constexpr uid_t Nobody = 65534;

std::string FailureText() {
  const int32_t length = LineioFailureText(nullptr, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  EXPECT_EQ(LineioFailureText(text.data(), static_cast<int32_t>(text.size())), length);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// Sets or clears the immutable attribute, which makes opening the file for
// writing fail with EPERM even for root, as lockdown does.
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return done;
}

class FailureCodeTest : public BackendTest {
 public:
  ~FailureCodeTest() override { PortEnd(); }

  // PortInit as a host calls it; gives what it printed on standard output
  // and standard error.
  void Init(std::string* out = nullptr, std::string* err = nullptr) {
    Service();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    PortInit(0);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    if (out != nullptr) *out = printed;
    if (err != nullptr) *err = errors;
  }
};

TEST_F(FailureCodeTest, EachRefusalGivesItsCodeAndTheLinesThatSaidSo) {
  struct Case {
    const char* Name;
    void (*Arrange)(FakeTree&);
    int32_t Code;
    const char* Message;  // the library's line on standard output
    const char* Line;     // part of the backend's line on standard error ("" for none)
  };
  const Case cases[] = {
      {"no board", [](FakeTree& t) { t.Remove(Board); }, LINEIO_FAILURE_NO_BOARD, "no cards found\n", ""},
      {"bound to another driver",
       [](FakeTree& t) {
         t.Remove(Board);
         FakeFunction function = IoBoard(ThisBoard().Vendor, ThisBoard().Device);
         function.Driver = "e1000e";
         t.Add(function);
       },
       LINEIO_FAILURE_BINDING, "error - could not lock device, already in use\n",
       "is bound to the kernel driver"},
      {"range above 4 GiB",
       [](FakeTree& t) {
         t.Remove(Board);
         FakeFunction function = MemoryBoard(ThisBoard().Vendor, ThisBoard().Device);
         function.Bars = {FakeRange{false, 0x100000000, 0x1000, 0, true}};
         t.Add(function);
       },
       LINEIO_FAILURE_RANGE_ABOVE_4GIB, "error - card does not have all items expected for DOVEVED\n",
       "does not fit the driver records' 32-bit fields"},
      {"no config file", [](FakeTree& t) { std::filesystem::remove(t.FunctionDirectory(Board) + "/config"); },
       LINEIO_FAILURE_FUNCTION_GONE, "error - could not lock device, already in use\n",
       "config: no such file"},
      {"resource0 shorter than its range",
       [](FakeTree& t) { std::filesystem::resize_file(t.RangeFile(Board, 0), 0x100); }, LINEIO_FAILURE_OTHER,
       "error - could not lock device, already in use\n", "holds 256 bytes"},
      {"base register that names no range",
       [](FakeTree& t) {
         t.WriteBytes(t.FunctionDirectory(Board) + "/config", 0x10, {0x01, 0xD0, 0, 0});
       },
       LINEIO_FAILURE_ITEMS, "error - card does not have all items expected for DOVEVED\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PortEnd();
    Tree.Remove(Board);
    Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
    c.Arrange(Tree);
    std::string out;
    std::string err;
    Init(&out, &err);
    EXPECT_EQ(out, c.Message);
    EXPECT_NE(err.find(c.Line), std::string::npos) << err;
    EXPECT_EQ(LineioLastFailure(), c.Code);
    EXPECT_EQ(LineioBoardAccess(), LINEIO_ACCESS_NONE);
    // The text: the backend's lines as they went to standard error, then the
    // library's message.
    EXPECT_EQ(FailureText(), err + c.Message);
  }
}

TEST_F(FailureCodeTest, AnOpenThatWorksClearsTheFailureAndTellsHowTheBoardIsReached) {
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device, "0000:04:00.0"));
  Tree.Remove("0000:04:00.0");
  Init();
  EXPECT_EQ(LineioLastFailure(), LINEIO_FAILURE_NO_BOARD);
  Tree.Add(MemoryBoard(ThisBoard().Vendor, ThisBoard().Device));
  std::string out;
  Init(&out);
  EXPECT_EQ(out, "DOVEVED PCI card found!\n");
  EXPECT_EQ(LineioLastFailure(), LINEIO_FAILURE_NONE);
  EXPECT_EQ(FailureText(), "");
  EXPECT_EQ(LineioBoardAccess(), LINEIO_ACCESS_MEMORY);
  PortEnd();
  EXPECT_EQ(LineioBoardAccess(), LINEIO_ACCESS_NONE);
  Tree.Remove(Board);
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  Init();
  EXPECT_EQ(LineioBoardAccess(), LINEIO_ACCESS_IO);
}

TEST_F(FailureCodeTest, ABoardThatAnotherHoldsIsLockHeld) {
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  platform::linuxpci::LinuxPciService other(Tree.Roots());
  platform::InstallDriverService(&other);
  BoardHandle* holder = nullptr;
  ASSERT_EQ(OpenBoard(holder, ThisBoard().Vendor, ThisBoard().Device, 0, 0), 1u);
  platform::InstallDriverService(&Service());
  std::string err;
  Init(nullptr, &err);
  EXPECT_EQ(err, "");
  EXPECT_EQ(LineioLastFailure(), LINEIO_FAILURE_LOCK_HELD);
  EXPECT_EQ(FailureText(), "error - could not lock device, already in use\n");
  platform::InstallDriverService(&other);
  CloseBoard(holder);
  platform::InstallDriverService(&Service());
}

TEST_F(FailureCodeTest, NoDevicesDirectoryIsNoDriver) {
  std::filesystem::remove_all(Tree.Root() + "/bus");
  std::string out;
  Init(&out);
  EXPECT_EQ(out, "Cannot open WinDriver device\n");
  EXPECT_EQ(LineioLastFailure(), LINEIO_FAILURE_NO_DRIVER);
  EXPECT_EQ(FailureText(), "Cannot open WinDriver device\n");
}

// The kernel's lockdown refuses the registers with EPERM, whoever asks; an
// immutable config file gives the same error to root.
TEST_F(FailureCodeTest, AFileThatNobodyMayWriteIsLockdown) {
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  const std::string config = Tree.FunctionDirectory(Board) + "/config";
  if (!SetImmutable(config, true)) GTEST_SKIP() << "this file system keeps no immutable attribute";
  std::string err;
  Init(nullptr, &err);
  SetImmutable(config, false);
  EXPECT_NE(err.find("Secure Boot lockdown"), std::string::npos) << err;
  EXPECT_EQ(LineioLastFailure(), LINEIO_FAILURE_LOCKDOWN);
}

// Root may open any file: a child that has become nobody meets the
// permission check as a user without the udev rule does.
TEST_F(FailureCodeTest, AUserWithoutWriteAccessIsPermission) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to become another user";
  Tree.Add(IoBoard(ThisBoard().Vendor, ThisBoard().Device));
  std::filesystem::permissions(Tree.Root(),
                               std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                   std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                   std::filesystem::perms::others_exec);
  Service();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setuid(Nobody) != 0) _exit(2);
    const int stderrCopy = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    PortInit(0);
    dup2(stderrCopy, STDERR_FILENO);
    _exit(LineioLastFailure());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), LINEIO_FAILURE_PERMISSION);
}

}  // namespace
}  // namespace lineio::testing
