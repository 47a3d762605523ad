#include "tests/support/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace lineio::testing {

ScriptedStdin::ScriptedStdin(const std::string& text) {
  char path[] = "/tmp/lineio-stdin-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("cannot create the scripted input");
  path_ = path;
  FILE* file = fdopen(fd, "w");
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  if (std::freopen(path_.c_str(), "r", stdin) == nullptr) {
    throw std::runtime_error("cannot script standard input");
  }
}

ScriptedStdin::~ScriptedStdin() {
  std::freopen("/dev/null", "r", stdin);
  unlink(path_.c_str());
}

CapturedStdout::CapturedStdout() {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  capturing_ = true;
}

CapturedStdout::~CapturedStdout() {
  if (capturing_) ::testing::internal::GetCapturedStdout();
}

std::string CapturedStdout::Take() {
  std::fflush(stdout);
  std::string text = ::testing::internal::GetCapturedStdout();
  ::testing::internal::CaptureStdout();
  return text;
}

}  // namespace lineio::testing
