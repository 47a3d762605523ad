// What the port benchmarks measure against: the processor time of this
// thread, and the nominal waits of each logical port operation of the board
// (its floor: an operation can take no less).
#pragma once

#include <time.h>

#include <cstring>

#include "portio/board_description.h"

namespace lineio::bench {

inline double ThreadCpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// The nominal waits of each operation, in microseconds.
struct Floors {
  double GroupWrite;
  double DirectWrite;
  double GroupRead;
  double DirectRead;
};

inline const Floors& FloorsOfThisBoard() {
  static const Floors Kestrel{11, 40, 7, 70};
  static const Floors Merlin{15, 35, 5, 20};
  return std::strcmp(ThisBoard().Name, "Kestrel") == 0 ? Kestrel : Merlin;
}

}  // namespace lineio::bench
