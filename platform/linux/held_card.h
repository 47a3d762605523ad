// A card registered for a caller, reached in one of two ways:
//   - sysfs: its configuration file open and locked against every other
//     registration (flock on the registration's own descriptor, so the lock
//     goes when the descriptor closes, also when the process dies), its memory
//     ranges mapped into the process and its I/O ranges' `resourceN` files
//     open;
//   - VFIO, when the card is bound to vfio-pci: its IOMMU group open (which
//     only one holder can have at a time), its memory ranges mapped from the
//     device descriptor where the kernel allows, its other ranges read and
//     written through the descriptor at their regions' offsets.
// Releasing the record releases all of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/records.h"
#include "platform/linux/pci_address.h"

namespace lineio::platform::linuxpci {

class InterruptWait;
class VfioDevice;
class VfioRequestWatch;

struct HeldRange {
  bool Io = false;
  std::uint32_t Base = 0;  // first port, or physical base, as the resource item gives it
  std::uint32_t Length = 0;
  // Ranges read and written with pread/pwrite: the open resourceN, or the
  // VFIO device descriptor (which the range does not own), and where the
  // range starts in it.
  int Fd = -1;
  bool OwnsFd = true;
  std::uint64_t FileOffset = 0;
  void* Mapping = nullptr;  // mapped memory ranges: the shared mapping
  std::size_t MappedBytes = 0;
};

struct HeldCard {
  HeldCard();
  ~HeldCard();
  HeldCard(const HeldCard&) = delete;
  HeldCard& operator=(const HeldCard&) = delete;

  PciAddress Address{};
  std::string Directory;             // the function's directory
  int ConfigFd = -1;                 // sysfs: open for reading and writing, and locked
  std::shared_ptr<VfioDevice> Vfio;  // VFIO: the device, whose group is the lock
  // VFIO: waits for the kernel's request to let the device go (an unbind).
  std::unique_ptr<VfioRequestWatch> ReleaseWatch;
  // VFIO: the device was let go while the card was held; its ranges reach
  // nothing any more.
  bool Released = false;
  std::vector<HeldRange> Ranges;
  std::uint32_t CardHandle = 0;
  std::uint32_t InterruptHandle = 0;  // 0 when the card was registered without its interrupt
  // The interrupt service while it is enabled, and its counts, which belong to
  // the registration: a new enable does not reset them.
  std::shared_ptr<InterruptWait> Interrupt;
  std::uint32_t Count = 0;
  std::uint32_t Lost = 0;
};

// Registers and locks the card that the list's bus item names, under the
// given handles, and fills the list in place: each memory item gets the
// address of its mapping as values 2 and 3, the interrupt item the interrupt
// handle as value 2 (the expansion ROM, which sysfs does not let user space
// map, becomes ItemNone). A memory item that is read and written through the
// VFIO device rather than mapped keeps its base as value 2 and 0 as value 3.
// Nothing, with the list's values untouched and a line on standard error
// saying why, when the card cannot be registered; nothing and no line when
// another registration holds it. VFIO's nodes are under `devRoot`.
std::unique_ptr<HeldCard> HoldCard(const std::string& devicesDirectory, const std::string& devRoot,
                                   CardResources& card, std::uint32_t cardHandle,
                                   std::uint32_t interruptHandle);

// Lets the VFIO device of a held card go, when the kernel asks for it (the
// device is being unbound while the board is open): its mappings become zero
// pages, its descriptors close, and one line says so. The card stays held
// until its holder releases it; transfers on it are refused from then on.
void LetDeviceGo(HeldCard& held);

}  // namespace lineio::platform::linuxpci
