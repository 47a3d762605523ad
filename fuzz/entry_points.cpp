// The two functions libFuzzer calls, the same for every harness: standard
// output and input quiet once, then each input through the harness's own
// RunInput.
#include "fuzz/harness_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  lineio::fuzz::QuietStandardStreams();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return lineio::fuzz::RunInput(data, size);
}
