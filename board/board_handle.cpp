#include "board/board_handle.h"

#include <new>

namespace lineio {

namespace {
struct Allocations {
  int Live = 0;
  bool FailNext = false;
};
Allocations allocations;
}  // namespace

BoardHandle* NewBoardHandle() {
  if (allocations.FailNext) {
    allocations.FailNext = false;
    return nullptr;
  }
  auto* board = new (std::nothrow) BoardHandle{};
  if (board != nullptr) ++allocations.Live;
  return board;
}

void FreeBoardHandle(BoardHandle* board) {
  if (board == nullptr) return;
  --allocations.Live;
  delete board;
}

int LiveBoardHandles() { return allocations.Live; }

void FailNextBoardHandleAllocation() { allocations.FailNext = true; }

}  // namespace lineio
