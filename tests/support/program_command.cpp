#include "tests/support/program_command.h"

#include <unistd.h>

#include <sstream>

#ifndef LINEIO_TEST_EMULATOR
#define LINEIO_TEST_EMULATOR ""
#endif

extern char** environ;

namespace lineio::testing {

std::vector<std::string> ProgramCommand(const std::vector<std::string>& words) {
  std::vector<std::string> command;
  std::istringstream emulator(LINEIO_TEST_EMULATOR);
  for (std::string word; emulator >> word;) command.push_back(word);
  command.insert(command.end(), words.begin(), words.end());
  return command;
}

void ExecProgram(const std::vector<std::string>& words, char* const* environment) {
  std::vector<std::string> command = ProgramCommand(words);
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  execve(argv[0], argv.data(), environment != nullptr ? environment : environ);
}

}  // namespace lineio::testing
