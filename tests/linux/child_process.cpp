#include "tests/linux/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <utility>

#include "tests/support/program_command.h"

extern char** environ;

namespace lineio::testing {

namespace {

std::vector<std::string> Environment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    if (extra.count(name) == 0) entries.push_back(text);
  }
  for (const auto& [name, value] : extra) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Reads what is left on both pipes until both end.
void Drain(int output, int errors, std::string& out, std::string& err) {
  pollfd fds[2] = {{output, POLLIN, 0}, {errors, POLLIN, 0}};
  std::string* sinks[2] = {&out, &err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char chunk[4096];
      const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
      if (got <= 0) {
        fds[i].fd = -1;
        --open;
      } else {
        sinks[i]->append(chunk, static_cast<std::size_t>(got));
      }
    }
  }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment) {
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<std::string> args = ProgramCommand(arguments);
  std::vector<std::string> env = Environment(environment);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  input_ = in[1];
  output_ = out[0];
  errors_ = err[0];
  if (failed != 0) throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(failed));
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Kill();
  for (int fd : {input_, output_, errors_}) {
    if (fd >= 0) close(fd);
  }
}

std::string ChildProcess::ReadLine() {
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    char chunk[256];
    const ssize_t got = read(output_, chunk, sizeof chunk);
    if (got <= 0) return std::exchange(pending_, std::string());
    pending_.append(chunk, static_cast<std::size_t>(got));
  }
}

Finished ChildProcess::Finish(const std::string& input) {
  if (!input.empty() && write(input_, input.data(), input.size()) < 0) {
    throw std::runtime_error("cannot write the standard input of the program");
  }
  close(input_);
  input_ = -1;
  Finished finished{pending_, "", -1};
  pending_.clear();
  Drain(output_, errors_, finished.Output, finished.Errors);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  finished.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return finished;
}

void ChildProcess::Kill() {
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

Finished RunProgram(const std::vector<std::string>& arguments,
                    const std::map<std::string, std::string>& environment, const std::string& input) {
  ChildProcess child(arguments, environment);
  return child.Finish(input);
}

}  // namespace lineio::testing
