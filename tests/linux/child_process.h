// Programs that a test runs as separate processes, with environment variables
// of its choosing, standard input from a pipe and both output streams caught.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace lineio::testing {

struct Finished {
  std::string Output;
  std::string Errors;
  int Status;  // exit status; -1 when killed by a signal
};

class ChildProcess {
 public:
  // Starts `arguments[0]` with the process's environment plus `environment`
  // (which replaces variables of the same name).
  ChildProcess(const std::vector<std::string>& arguments,
               const std::map<std::string, std::string>& environment);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of standard output (without its line end); empty at its end.
  std::string ReadLine();
  // Ends standard input and waits for the exit.
  Finished Finish(const std::string& input = "");
  // Kills the process with SIGKILL and waits for it.
  void Kill();

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::string pending_;
};

// Runs a program to its end.
Finished RunProgram(const std::vector<std::string>& arguments,
                    const std::map<std::string, std::string>& environment, const std::string& input = "");

}  // namespace lineio::testing
