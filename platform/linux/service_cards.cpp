// The backend's requests about registered cards: registration, transfers and
// interrupts.
#include <string>

#include "platform/linux/failure_lines.h"
#include "platform/linux/interrupt_line.h"
#include "platform/linux/linux_pci_service.h"
#include "platform/linux/transfers.h"
#include "platform/linux/vfio_interrupt.h"
#include "platform/linux/vfio_request.h"

namespace lineio::platform::linuxpci {

namespace {

// Handles are never 0, which the records read as "none".
std::uint32_t NextHandle(std::uint32_t& next) {
  if (next == 0) ++next;
  return next++;
}

// Performs one command on the first of the cards that holds it.
TransferOutcome PerformOnCards(const std::vector<std::shared_ptr<HeldCard>>& cards,
                               const TransferCommand& command) {
  for (const auto& card : cards) {
    const TransferOutcome outcome = PerformTransfer(*card, command);
    if (outcome != TransferOutcome::NotInCard) return outcome;
  }
  return TransferOutcome::NotInCard;
}

void ReportOutside(const TransferCommand& command) {
  ReportFailure("transfer command %u at 0x%jx refused: it lies outside every range of the registered card",
                command.Command, static_cast<std::uintmax_t>(command.Address));
}

}  // namespace

void LinuxPciService::StopInterrupts(const CardList& cards) {
  for (const auto& card : cards) {
    if (!card->Interrupt) continue;
    card->Interrupt->Stop();
    card->Interrupt.reset();
  }
}

// A refusal is not a failed request: the card handle 0 says so, and the line
// on standard error says why.
bool LinuxPciService::RegisterCard(OsHandle handle, CardRegistration& registration) {
  std::lock_guard guard(lock_);
  CardList* cards = CardsOf(handle);
  if (cards == nullptr) return false;
  registration.CardHandle = 0;
  const std::uint32_t cardHandle = NextHandle(nextCardHandle_);
  const std::uint32_t interruptHandle = NextHandle(nextInterruptHandle_);
  std::unique_ptr<HeldCard> held =
      HoldCard(devices_, roots_.Dev, registration.Card, cardHandle, interruptHandle);
  if (!held) return true;
  if (held->Vfio) {
    held->ReleaseWatch =
        VfioRequestWatch::Start(held->Vfio, [this, cardHandle] { LetUnboundGo(cardHandle); });
  }
  cards->push_back(std::move(held));
  registration.CardHandle = cardHandle;
  return true;
}

void LinuxPciService::LetUnboundGo(std::uint32_t cardHandle) {
  std::lock_guard guard(lock_);
  for (const auto& [handle, cards] : handles_) {
    for (const auto& card : cards) {
      if (card->CardHandle != cardHandle) continue;
      StopInterrupts({card});
      LetDeviceGo(*card);
    }
  }
}

bool LinuxPciService::UnregisterCard(OsHandle handle, CardRegistration& registration) {
  std::shared_ptr<HeldCard> released;
  {
    std::lock_guard guard(lock_);
    CardList* cards = CardsOf(handle);
    if (cards == nullptr) return false;
    for (auto card = cards->begin(); card != cards->end(); ++card) {
      if ((*card)->CardHandle != registration.CardHandle) continue;
      released = *card;
      cards->erase(card);
      StopInterrupts({released});
      break;
    }
  }
  return released != nullptr;  // unmapped, closed and unlocked as it goes
}

bool LinuxPciService::Transfer(OsHandle handle, const TransferCommand& command) {
  std::lock_guard guard(lock_);
  const CardList* cards = CardsOf(handle);
  if (cards == nullptr) return false;
  const TransferOutcome outcome = PerformOnCards(*cards, command);
  if (outcome == TransferOutcome::NotInCard) ReportOutside(command);
  return outcome == TransferOutcome::Done;
}

LinuxPciService::CardList* LinuxPciService::CardsOf(OsHandle handle) {
  const auto found = handles_.find(handle);
  return found == handles_.end() ? nullptr : &found->second;
}

std::shared_ptr<HeldCard> LinuxPciService::CardOfInterrupt(OsHandle handle, std::uint32_t interruptHandle) {
  const CardList* cards = CardsOf(handle);
  if (interruptHandle == 0 || cards == nullptr) return nullptr;
  for (const auto& card : *cards) {
    if (card->InterruptHandle == interruptHandle) return card;
  }
  return nullptr;
}

bool LinuxPciService::EnableInterrupt(OsHandle handle, InterruptRecord& record) {
  std::lock_guard guard(lock_);
  if (CardsOf(handle) == nullptr) return false;
  record.EnableOk = 0;
  const std::shared_ptr<HeldCard> card = CardOfInterrupt(handle, record.Handle);
  if (!card || card->Interrupt) return false;
  if (record.CommandCount > MaxInterruptCommands) return false;
  if (record.CommandCount != 0 && record.Commands == nullptr) return false;
  std::vector<TransferCommand> commands(record.Commands, record.Commands + record.CommandCount);
  std::unique_ptr<InterruptWait> line;
  if (card->Vfio) {
    line = VfioInterrupt::Open(card->Vfio, std::move(commands));
  } else {
    line = InterruptLine::Open(card->Directory, roots_.Dev, card->ConfigFd, DeviceName(card->Address),
                               std::move(commands));
  }
  if (!line) return false;
  card->Interrupt = std::move(line);
  record.EnableOk = 1;
  return true;
}

// The record is only read: the thread whose wait this ends writes it.
bool LinuxPciService::DisableInterrupt(OsHandle handle, const InterruptRecord& record) {
  std::lock_guard guard(lock_);
  const std::shared_ptr<HeldCard> card = CardOfInterrupt(handle, record.Handle);
  if (!card || !card->Interrupt) return false;
  StopInterrupts({card});
  return true;
}

// The order of one wait: unmask the line, wait, read the total
// (InterruptLine), perform the recorded commands, report the counts. A line
// that is gone (the card unbound) ends the service as a stop does. The card
// and its interrupt stay alive while the wait holds them, even when another
// thread disables or unregisters meanwhile.
bool LinuxPciService::WaitInterrupt(OsHandle handle, InterruptRecord& record) {
  std::shared_ptr<HeldCard> card;
  std::shared_ptr<InterruptWait> line;
  {
    std::lock_guard guard(lock_);
    if (CardsOf(handle) == nullptr) return false;
    card = CardOfInterrupt(handle, record.Handle);
    if (card) line = card->Interrupt;
  }
  if (!card || !line) {
    record.Stopped = 1;
    return card != nullptr;
  }
  std::uint32_t received = 0;
  const InterruptWait::WaitEnd end = line->Wait(received);
  if (end == InterruptWait::WaitEnd::Failed) return false;
  std::lock_guard guard(lock_);
  if (end == InterruptWait::WaitEnd::Interrupt) {
    for (const TransferCommand& command : line->Commands()) {
      if (PerformTransfer(*card, command) == TransferOutcome::NotInCard) ReportOutside(command);
    }
    card->Count += received;
    card->Lost += received - 1;
  }
  record.Count = card->Count;
  record.Lost = card->Lost;
  record.Stopped = end == InterruptWait::WaitEnd::Interrupt ? 0 : 1;
  return true;
}

}  // namespace lineio::platform::linuxpci
