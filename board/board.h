// The board access layer: finding, opening and closing the board, and register
// access in 8, 16 and 32 bits within its address spaces.
#pragma once

#include <cstdint>

#include "board/board_handle.h"
#include "board/interrupts.h"
#include "board/process_state.h"
#include "board/register_access.h"

namespace lineio {

// Failure texts, byte for byte as hosts have always seen them.
// Kept: "DOVEVED" is the product name the board's own software printed; hosts and users match these texts.
inline constexpr char MsgCannotOpenDriver[] = "Cannot open WinDriver device\n";
inline constexpr char MsgIncorrectVersion[] = "error - incorrect WinDriver version\n";
inline constexpr char MsgNoCardsFound[] = "no cards found\n";
inline constexpr char MsgCannotFindCard[] = "error - Cannot find PCI card\n";
inline constexpr char MsgCardOutOfRange[] = "Card out of range of available cards\n";
inline constexpr char MsgAlreadyInUse[] = "error - could not lock device, already in use\n";
inline constexpr char MsgMissingItems[] = "error - card does not have all items expected for DOVEVED\n";
inline constexpr char MsgChoiceOutOfRange[] = "Choice out of range\n";
inline constexpr char MsgCardFound[] = "DOVEVED PCI card found!\n";

// Opens a driver handle of its own and checks the driver's version: the
// handle, or InvalidOsHandle with the failure text in `failure` (a handle
// whose driver is too old is closed again).
platform::OsHandle OpenCheckedDriver(const char*& failure);
std::uint32_t OpenDriverLink(platform::OsHandle& link);
// The version that the driver reports on a handle; 0 when the request fails.
std::uint32_t QueryDriverVersion(platform::OsHandle driver);
void ClearErrorText();
void SetErrorText(const char* message);

std::uint32_t ScanBoards(std::uint32_t vendor, std::uint32_t device);
std::uint32_t OpenBoard(BoardHandle*& out, std::uint32_t vendor, std::uint32_t device,
                        std::uint32_t cardNumber, std::uint32_t interruptWish);
BoardHandle* LocateBoard(std::uint32_t vendor, std::uint32_t device, std::uint32_t interruptWish);
void CloseBoard(BoardHandle* board);
std::uint32_t AnalyseResources(BoardHandle* board);

// One ReqPciConfig of the 32-bit register at `offset` of the card at `slot`:
// read into `value` (read flag 1) or write it (0).
void ConfigDwordRequest(platform::OsHandle driver, const PciSlot& slot, std::uint32_t offset,
                        std::uint32_t& value, std::uint32_t readFlag);

std::uint32_t ReadConfigDword(BoardHandle* board, std::uint32_t offset);

}  // namespace lineio
