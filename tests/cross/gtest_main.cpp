// The main of the test programs of a cross build, which run under an emulator
// (Wine, qemu-i386). The tests of the build's skip list cannot hold there;
// each one that the filter selects is named with its reason in a line that
// GoogleTest's own skips also print, so ctest reports it as skipped, and is
// left out of the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace lineio::testing {
namespace {

struct CrossSkip {
  const char* Pattern;  // a GoogleTest filter pattern: Suite.Test, '*' and '?'
  const char* Reason;
};

constexpr CrossSkip CrossSkips[] = {
#include "cross_skips.inc"
    {nullptr, nullptr}};

bool GlobMatches(std::string_view pattern, std::string_view name) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '*') {
    for (std::size_t k = 0; k <= name.size(); ++k) {
      if (GlobMatches(pattern.substr(1), name.substr(k))) return true;
    }
    return false;
  }
  if (name.empty() || (pattern.front() != '?' && pattern.front() != name.front())) return false;
  return GlobMatches(pattern.substr(1), name.substr(1));
}

// True when one of the ':'-separated patterns matches the name.
bool AnyMatches(std::string_view patterns, std::string_view name) {
  while (true) {
    const std::size_t end = patterns.find(':');
    if (GlobMatches(patterns.substr(0, end), name)) return true;
    if (end == std::string_view::npos) return false;
    patterns.remove_prefix(end + 1);
  }
}

// GoogleTest's filter: positive patterns, then optionally '-' and negative ones.
bool FilterSelects(std::string_view filter, std::string_view name) {
  const std::size_t dash = filter.find('-');
  std::string_view positive = filter.substr(0, dash);
  if (positive.empty()) positive = "*";
  const bool excluded = dash != std::string_view::npos && AnyMatches(filter.substr(dash + 1), name);
  return AnyMatches(positive, name) && !excluded;
}

void ReportSkips(const std::string& filter) {
  const ::testing::UnitTest& unitTest = *::testing::UnitTest::GetInstance();
  for (int s = 0; s < unitTest.total_test_suite_count(); ++s) {
    const ::testing::TestSuite& suite = *unitTest.GetTestSuite(s);
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const std::string name = std::string(suite.name()) + "." + suite.GetTestInfo(t)->name();
      if (!FilterSelects(filter, name)) continue;
      for (const CrossSkip* skip = CrossSkips; skip->Pattern != nullptr; ++skip) {
        if (!GlobMatches(skip->Pattern, name)) continue;
        std::printf("[  SKIPPED ] %s: %s\n", name.c_str(), skip->Reason);
        break;
      }
    }
  }
}

// The filter with every skipped pattern added to its negative part.
std::string WithoutSkips(std::string filter) {
  bool first = filter.find('-') == std::string::npos;
  for (const CrossSkip* skip = CrossSkips; skip->Pattern != nullptr; ++skip) {
    filter += first ? "-" : ":";
    filter += skip->Pattern;
    first = false;
  }
  return filter;
}

}  // namespace
}  // namespace lineio::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // A listing names every test, so that ctest reports the skipped ones too.
  if (!GTEST_FLAG_GET(list_tests)) {
    const std::string filter = GTEST_FLAG_GET(filter);
    lineio::testing::ReportSkips(filter);
    GTEST_FLAG_SET(filter, lineio::testing::WithoutSkips(filter));
  }
  return RUN_ALL_TESTS();
}
