// Retiring a descriptor that other threads may still hold: the file is let
// go at once, a call made later with the old number fails instead of reaching
// whatever file was opened since, and the number stays taken until it is
// closed. With no descriptor to spare, the file is closed outright.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/linux/retired_descriptor.h"

namespace lineio::testing {
namespace {

using platform::linuxpci::RetireDescriptor;

// Every descriptor number below `limit` taken, and no more allowed, for the
// test's duration.
class NoDescriptorLeft {
 public:
  explicit NoDescriptorLeft(int limit) {
    getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit tight = saved_;
    tight.rlim_cur = static_cast<rlim_t>(limit);
    setrlimit(RLIMIT_NOFILE, &tight);
    for (int fd = dup(STDIN_FILENO); fd >= 0; fd = dup(STDIN_FILENO)) taken_.push_back(fd);
  }
  ~NoDescriptorLeft() {
    for (const int fd : taken_) close(fd);
    setrlimit(RLIMIT_NOFILE, &saved_);
  }
  NoDescriptorLeft(const NoDescriptorLeft&) = delete;
  NoDescriptorLeft& operator=(const NoDescriptorLeft&) = delete;

 private:
  rlimit saved_{};
  std::vector<int> taken_;
};

TEST(RetiredDescriptorTest, TheFileIsLetGoAndTheOldNumberReachesNoOtherFile) {
  struct Case {
    const char* Name;
    bool SpareDescriptor;
  };
  for (const Case& c : {Case{"a descriptor to spare", true}, Case{"no descriptor left", false}}) {
    SCOPED_TRACE(c.Name);
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0);
    const int reader = ends[0];
    const int writer = ends[1];
    bool taken = false;
    {
      std::optional<NoDescriptorLeft> exhausted;
      if (!c.SpareDescriptor) exhausted.emplace(writer + 1);
      taken = RetireDescriptor(writer);
    }
    EXPECT_EQ(taken, c.SpareDescriptor);
    EXPECT_EQ(fcntl(writer, F_GETFD), taken ? FD_CLOEXEC : -1) << "whether the number is taken";

    // The pipe's only writer is gone: its reader sees the end (and does not
    // wait for more).
    char byte = 0;
    EXPECT_EQ(read(reader, &byte, 1), 0);

    // A file opened since never gets the number while it is taken, and a
    // write with the number does not reach it.
    std::FILE* other = std::tmpfile();
    ASSERT_NE(other, nullptr);
    const int otherFd = fileno(other);
    if (taken) {
      EXPECT_NE(otherFd, writer);
      errno = 0;
      EXPECT_EQ(write(writer, "x", 1), -1);
      EXPECT_EQ(errno, EBADF);
      EXPECT_EQ(lseek(otherFd, 0, SEEK_END), 0) << "the write reached the file opened since";
      EXPECT_EQ(close(writer), 0);
    }
    std::fclose(other);
    close(reader);
  }
}

}  // namespace
}  // namespace lineio::testing
