// lineio-demo: a host session against a simulated board.
//
//   lineio-demo                  the Kestrel board
//   lineio-demo --board merlin   the Merlin board
//   lineio-demo --plot DIR       also the spectrum (DIR/spectrum.svg) and the
//                                session's waveforms (DIR/session.vcd)
//   lineio-demo --version        the version
//
// Built once per board: lineio-demo drives Kestrel, lineio-demo-merlin
// Merlin (LINEIO_DEMO_PROGRAM names each), and each starts the other for the
// other board.
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "portio/board_description.h"
#include "tools/demo/session.h"
#include "tools/version.h"

namespace {

#ifndef LINEIO_DEMO_PROGRAM
#error "LINEIO_DEMO_PROGRAM names the program (tools/demo/CMakeLists.txt)"
#endif

void Usage() {
  std::printf("usage: %s [--board kestrel|merlin] [--plot DIR]\n       %s --version\n", LINEIO_DEMO_PROGRAM,
              LINEIO_DEMO_PROGRAM);
}

// Runs the sibling program built for the other board.
int RunSibling(const char* board, const std::string& plot) {
  char self[PATH_MAX] = {0};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return 2;
  std::string path(self, static_cast<std::size_t>(length));
  const std::string name =
      std::strcmp(board, "kestrel") == 0 ? "lineio-demo" : std::string("lineio-demo-") + board;
  path = path.substr(0, path.rfind('/') + 1) + name;
  if (plot.empty()) {
    execl(path.c_str(), path.c_str(), "--board", board, static_cast<char*>(nullptr));
  } else {
    execl(path.c_str(), path.c_str(), "--board", board, "--plot", plot.c_str(), static_cast<char*>(nullptr));
  }
  std::perror(path.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string own = lineio::ThisBoard().Name;
  for (char& c : own) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string board = own;
  std::string plot;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--board") == 0 && i + 1 < argc) {
      board = argv[++i];
    } else if (std::strcmp(argv[i], "--plot") == 0 && i + 1 < argc) {
      plot = argv[++i];
    } else if (std::strcmp(argv[i], "--version") == 0 && argc == 2) {
      lineio::tools::PrintVersion(LINEIO_DEMO_PROGRAM);
      return 0;
    } else {
      Usage();
      return 2;
    }
  }
  if (board != "kestrel" && board != "merlin") {
    Usage();
    return 2;
  }
  if (board != own) return RunSibling(board.c_str(), plot);
  if (!plot.empty()) {
    std::error_code error;
    std::filesystem::create_directories(plot, error);
    if (error || !std::filesystem::is_directory(plot)) {
      std::fprintf(stderr, "%s: cannot make the directory %s: %s\n", LINEIO_DEMO_PROGRAM, plot.c_str(),
                   error.message().c_str());
      return 2;
    }
  }
  return lineio::demo::RunSession(plot);
}
