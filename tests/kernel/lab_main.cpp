// main of the kernel lab's guest programs: refuses to run anywhere but in the
// lab's guest, and reports each test as one "lab: pass|fail GROUP/NAME" line
// (GROUP is the suite's name without "Lab", in lower case), the lines that
// scripts/kernel-tests.sh counts. GoogleTest's own report goes on beside them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/real_bus_guard.h"

namespace {

// GROUP/NAME, after the machine's prefix (LAB_PREFIX, "vfio/" for example)
// when the lab gives one.
std::string CaseName(const ::testing::TestInfo& test) {
  std::string group = test.test_suite_name();
  if (group.rfind("Lab", 0) == 0) group.erase(0, 3);
  for (char& c : group) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const char* prefix = std::getenv("LAB_PREFIX");
  return std::string(prefix != nullptr ? prefix : "") + group + "/" + test.name();
}

// The first line of a failure's message, as the reason of a failed case.
std::string FirstLine(const char* text) {
  const std::string message = text;
  return message.substr(0, message.find('\n'));
}

class LabLines : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override { reason_.clear(); }
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (!result.failed() || !reason_.empty()) return;
    reason_ = std::string(result.file_name() != nullptr ? result.file_name() : "?") + ":" +
              std::to_string(result.line_number()) + ": " + FirstLine(result.message());
  }
  void OnTestEnd(const ::testing::TestInfo& test) override {
    if (test.result()->Skipped()) return;
    if (test.result()->Passed()) {
      std::printf("lab: pass %s\n", CaseName(test).c_str());
    } else {
      std::printf("lab: fail %s: %s\n", CaseName(test).c_str(), reason_.c_str());
    }
    std::fflush(stdout);
  }

 private:
  std::string reason_;
};

}  // namespace

int main(int argc, char** argv) {
  if (!lineio::platform::linuxpci::IsKernelLabGuest()) {
    std::fprintf(stderr, "%s: runs only in the kernel lab's guest (tests/kernel/README.md)\n", argv[0]);
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new LabLines);
  return RUN_ALL_TESTS();
}
