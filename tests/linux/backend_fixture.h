// A Linux backend on a fake tree, installed as the process's driver device,
// with the library's process state as at load; and the requests sent to it
// directly.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "board/board.h"
#include "board/driver_request.h"
#include "platform/driver_service.h"
#include "platform/linux/linux_pci_service.h"
#include "tests/linux/fake_tree.h"
#include "tests/support/board_fixture.h"

namespace lineio::testing {

class BackendTest : public ::testing::Test {
 public:
  BackendTest() { ResetProcessState(); }
  ~BackendTest() override {
    if (processState.Board.CurrentBoard != nullptr) CloseBoard(processState.Board.CurrentBoard);
    processState.Board.CurrentBoard = nullptr;
    ResetProcessState();
  }

  // The service on the tree, made and installed at first use.
  platform::linuxpci::LinuxPciService& Service() {
    if (!service_) {
      service_ = std::make_unique<platform::linuxpci::LinuxPciService>(Tree.Roots());
      platform::InstallDriverService(service_.get());
    }
    return *service_;
  }

  // One request on the service, with the record's full size.
  template <typename Record>
  bool Send(platform::OsHandle handle, std::uint32_t code, Record& record) {
    return Service().Request(handle, code, &record, static_cast<std::uint32_t>(sizeof record));
  }

  // The card at `slot` registered through requests on `handle`, as a user of
  // the driver other than the library would: its card information, then the
  // registration (CardHandle 0 when refused).
  CardRegistration RegisterBySlot(platform::OsHandle handle, const PciSlot& slot) {
    PciCardInfo info{};
    info.Slot = slot;
    EXPECT_TRUE(Send(handle, ReqPciCardInfo, info));
    CardRegistration registration{};
    registration.Card = info.Card;
    EXPECT_TRUE(Send(handle, ReqRegisterCard, registration));
    return registration;
  }

  // Opens the board for the process as PortInit does (it becomes the current
  // board); gives what the open put into ErrorText ("" on success).
  std::string OpenCurrentBoard(std::uint32_t vendor, std::uint32_t device, std::uint32_t interruptWish = 0) {
    Service();
    BoardHandle* board = nullptr;
    if (OpenBoard(board, vendor, device, 0, interruptWish) == 1) processState.Board.CurrentBoard = board;
    return processState.Board.ErrorText;
  }

  FakeTree Tree;

 private:
  std::unique_ptr<platform::linuxpci::LinuxPciService> service_;
};

// What the body printed on standard error.
template <typename Body>
std::string StderrOf(Body body) {
  ::testing::internal::CaptureStderr();
  body();
  return ::testing::internal::GetCapturedStderr();
}

}  // namespace lineio::testing
