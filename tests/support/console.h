// Standard input and output for tests of console dialogues.
#pragma once

#include <string>

namespace lineio::testing {

// Standard input reads the given text for as long as this object lives, then
// reaches end of input.
class ScriptedStdin {
 public:
  explicit ScriptedStdin(const std::string& text);
  ~ScriptedStdin();
  ScriptedStdin(const ScriptedStdin&) = delete;
  ScriptedStdin& operator=(const ScriptedStdin&) = delete;

 private:
  std::string path_;
};

// Captures what is printed on standard output while it lives.
class CapturedStdout {
 public:
  CapturedStdout();
  ~CapturedStdout();
  CapturedStdout(const CapturedStdout&) = delete;
  CapturedStdout& operator=(const CapturedStdout&) = delete;
  // Everything printed since construction (or the last Take), then starts over.
  std::string Take();

 private:
  bool capturing_ = false;
};

}  // namespace lineio::testing
