// The Linux driver backend: serves the ten driver requests from the kernel's
// PCI sysfs and uio_pci_generic, or VFIO for a card bound to vfio-pci, with
// no kernel module of ours.
//
//   version      a fixed version (see DriverVersion)
//   scan         every function under <sysfs>/bus/pci/devices that matches
//   card info    the function's `resource`, `irq` and location
//   register     lock the card (flock on its `config`, or its IOMMU group
//                under VFIO), map its memory ranges, open its I/O ranges
//   unregister   unmap, close, unlock
//   config       pread/pwrite of the function's `config` file, or of the
//                VFIO device's configuration region
//   transfer     pread/pwrite of an I/O range's `resourceN` (or VFIO
//                region), or the mapping
//   interrupts   /dev/uioN of a card bound to uio_pci_generic, the INTx
//                eventfd of one bound to vfio-pci
//
// The trees are <sysfs root>/bus/pci/devices and <dev root> (sysfs_roots.h):
// the process's driver device uses the roots that LINEIO_SYSFS_ROOT and
// LINEIO_DEV_ROOT give at its first open; tests make services of their own
// on trees of ordinary files. Refusals and things left out are explained on
// standard error (failure_lines.h).
//
// Requests on one handle may come from two threads at once (an interrupt wait
// and the disable that ends it, or transfers): the tables are under one lock,
// which a blocked wait does not hold.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/driver_service.h"
#include "platform/linux/held_card.h"
#include "platform/linux/sysfs_roots.h"

namespace lineio::platform::linuxpci {

// The version that ReqDriverVersion reports: 400, the oldest that the library
// accepts. The backend serves exactly the requests and records that the
// library relies on from that version on and claims nothing newer.
inline constexpr std::uint32_t DriverVersion = 400;

class LinuxPciService : public DriverService {
 public:
  explicit LinuxPciService(Roots roots);
  // Releases every card still registered and every handle.
  ~LinuxPciService() override;
  LinuxPciService(const LinuxPciService&) = delete;
  LinuxPciService& operator=(const LinuxPciService&) = delete;

  // A new handle while the devices directory can be read; otherwise
  // InvalidOsHandle, as when the kernel driver is missing.
  OsHandle Open() override;
  // Fails (false, record untouched) on a handle that is not open, a record of
  // the wrong size or an unknown code; otherwise the request's own result.
  bool Request(OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override;
  // Closing a handle also releases the cards registered through it.
  bool Close(OsHandle handle) override;

  // Counters, for proving that nothing leaked.
  int OpenHandles() const;
  int HeldCards() const;

 private:
  using CardList = std::vector<std::shared_ptr<HeldCard>>;

  bool Serve(OsHandle handle, std::uint32_t code, void* record);
  bool ScanPciCards(PciScan& scan) const;
  bool CardInfo(PciCardInfo& info) const;
  bool PciConfig(PciConfigAccess& access) const;
  bool RegisterCard(OsHandle handle, CardRegistration& registration);
  bool UnregisterCard(OsHandle handle, CardRegistration& registration);
  bool Transfer(OsHandle handle, const TransferCommand& command);
  bool EnableInterrupt(OsHandle handle, InterruptRecord& record);
  bool DisableInterrupt(OsHandle handle, const InterruptRecord& record);
  bool WaitInterrupt(OsHandle handle, InterruptRecord& record);

  // With the lock held: the cards registered through a handle (nullptr when
  // it is not open), and the one of them whose interrupt handle this is.
  CardList* CardsOf(OsHandle handle);
  std::shared_ptr<HeldCard> CardOfInterrupt(OsHandle handle, std::uint32_t interruptHandle);
  // The kernel asks for the VFIO device of a held card back (an unbind): it
  // is let go (held_card.h, LetDeviceGo). On the card's watch thread.
  void LetUnboundGo(std::uint32_t cardHandle);
  // The card at that address that a handle holds through VFIO, if any.
  std::shared_ptr<HeldCard> VfioCardAt(const PciAddress& address) const;
  // Stops the interrupt of cards about to be released (lock held).
  static void StopInterrupts(const CardList& cards);

  const Roots roots_;
  const std::string devices_;
  mutable std::mutex lock_;
  std::map<OsHandle, CardList> handles_;
  OsHandle nextHandle_ = 1;
  std::uint32_t nextCardHandle_ = 1;
  std::uint32_t nextInterruptHandle_ = 1;
};

}  // namespace lineio::platform::linuxpci
