// The board of the kernel lab's guest programs: Kestrel, opened through the
// board layer on the tree that LINEIO_SYSFS_ROOT names (tests/kernel/guest/
// lab.sh, make_tree), whose one function links to the emulated edu device.
// Everything here touches only that device, and only inside the lab's guest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "board/board.h"

namespace lineio::testing::lab {

// The edu device's registers (QEMU's hw/misc/edu.c): 32-bit accesses only.
inline constexpr std::uint32_t EduIdentity = 0x00;
inline constexpr std::uint32_t EduIdentityValue = 0x010000ED;
inline constexpr std::uint32_t EduLiveness = 0x04;  // reads the bitwise NOT of what was written
inline constexpr std::uint32_t EduInterruptStatus = 0x24;
inline constexpr std::uint32_t EduRaise = 0x60;        // ORs the value into the status, raises INTx
inline constexpr std::uint32_t EduAcknowledge = 0x64;  // clears those bits, lowers INTx at 0

// The directory of the tree's one function.
std::string TreeFunctionDirectory();
// The real function's directory under
// /sys/devices, from where the tree's `config` link leads.
std::string RealFunctionDirectory();
// Its name ("0000:00:02.0").
std::string RealFunctionName();

// The name of the function's uio device ("uio0"); nothing while it has none.
std::optional<std::string> UioName();
// The uio device's running total of interrupts (its `event` file); nothing
// while the function has no uio device.
std::optional<std::uint32_t> KernelTotal();
// The kernel's count of the function's INTx while VFIO signals it: the sum of
// the per-processor counts of its "vfio-intx(NAME)" line in /proc/interrupts;
// nothing while it has no such line (the kernel frees the line when the
// trigger is taken away, and counts from 0 when it is set again).
std::optional<std::uint32_t> VfioKernelTotal();
// The function's command register, through its real `config` file.
std::uint16_t CommandRegister();
void SetCommandRegister(std::uint16_t value);

// Writes a line into a file of sysfs (bind, unbind); false when refused.
bool WriteSysfs(const std::string& path, const std::string& line);

// Kestrel on the tree, opened through the board layer with interrupts
// (OpenBoard, as PortInit does); nullptr, with the library's error text in
// `failure`, when it does not open.
BoardHandle* OpenWithInterrupts(std::string& failure);

// Starts the board layer's interrupt service (EnableInterruptWith) with the
// edu's acknowledge as the transfer command performed at each interrupt: the
// raised bit written to EduAcknowledge, where the board's own command writes
// offset 0 of space 0, which acknowledges a Kestrel but not the edu. 1 when
// it runs.
std::uint32_t EnableWithAcknowledge(BoardHandle* board, InterruptHandler handler, std::uint32_t bit);

// A register of the edu, through the board's mapping.
std::uint32_t ReadEdu(BoardHandle* board, std::uint32_t offset);
void WriteEdu(BoardHandle* board, std::uint32_t offset, std::uint32_t value);

// The threads of this process (/proc/self/task).
int ThreadCount();

}  // namespace lineio::testing::lab
