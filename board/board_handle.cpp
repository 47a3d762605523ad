#include "board/board_handle.h"

#include <new>

namespace lineio {

namespace {
struct Allocations {
  int live = 0;
  bool failNext = false;
};
Allocations allocations;
}  // namespace

BoardHandle* NewBoardHandle() {
  if (allocations.failNext) {
    allocations.failNext = false;
    return nullptr;
  }
  auto* board = new (std::nothrow) BoardHandle{};
  if (board != nullptr) ++allocations.live;
  return board;
}

void FreeBoardHandle(BoardHandle* board) {
  if (board == nullptr) return;
  --allocations.live;
  delete board;
}

int LiveBoardHandles() { return allocations.live; }

void FailNextBoardHandleAllocation() { allocations.failNext = true; }

}  // namespace lineio
