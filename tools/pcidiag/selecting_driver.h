// The driver device as pcidiag's commands see it: every request goes to the
// driver underneath, and a bus scan answers only the cards that -s and -d
// choose. The identifiers of -d narrow the driver's own search, so that they
// reach past the scan record's 30 cards; -s picks among the cards the record
// holds.
//
// On a simulated bus (--sim, --bus) the scan record holds at most 30 cards,
// as the driver's does, and the simulated driver leaves out the rest without
// a word; here a scan that left cards out says so in one line on standard
// error, as the Linux backend does for the machine's bus.
#pragma once

#include "platform/driver_service.h"
#include "sim/sim_bus.h"
#include "tools/pcidiag/card_selector.h"

namespace lineio::pcidiag {

class SelectingDriver : public platform::DriverService {
 public:
  // `bus` is the simulated bus that `inner` serves, or nullptr for the
  // machine's own.
  SelectingDriver(platform::DriverService& inner, const CardSelector& selector, const sim::SimBus* bus);

  platform::OsHandle Open() override;
  bool Request(platform::OsHandle handle, std::uint32_t code, void* record, std::uint32_t size) override;
  bool Close(platform::OsHandle handle) override;

 private:
  bool Scan(platform::OsHandle handle, PciScan& scan, std::uint32_t size);
  void SayWhatTheRecordLeftOut(const PciScan& scan) const;
  void KeepSelected(PciScan& scan) const;

  platform::DriverService& inner_;
  CardSelector selector_;
  const sim::SimBus* bus_;
};

}  // namespace lineio::pcidiag
