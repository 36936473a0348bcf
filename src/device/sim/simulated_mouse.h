// A simulated TR-58K: one physical mouse that can be plugged in and pulled
// out, shows the HID interfaces of its current mode, answers the
// configuration commands of its normal firmware and the transfer commands of
// its bootloader, and, in tests, misbehaves as a FaultPlan scripts. It lives
// on the injected clock: a mouse that leaves the bus comes back once that
// clock has moved far enough, which a ManualClock does for free. Thread-safe;
// handles and monitors it hands out stay valid after it is destroyed (they
// fail with kDeviceNotConnected / go quiet), but the clock must outlive them
// all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/hid_backend.h"
#include "device/sim/fault_plan.h"  // declarations only: tests name Fault through this header
#include "device/sim/sim_exchange_hook.h"
#include "device/sim/sim_firmware.h"

namespace tr58k {

class SimMouseCore;

struct SimulatedMouseOptions {
  bool plugged = true;
  MouseMode mode = MouseMode::kNormal;
  uint16_t versionNumber = 0x0026;
  // Interface i of a mode is "/dev/hidraw<firstHidrawMinor + i>".
  unsigned firstHidrawMinor = 3;
  // Sequence number of the first interface ever shown; every appearance of
  // an interface takes the next one, as the kernel numbers HID devices
  // ("0003:4C95:5837.0001", ".0002", ...).
  uint32_t firstSequence = 1;
};

// One exchange as the mouse saw it, for tests.
struct SimExchange {
  SimExchangeKind kind = SimExchangeKind::kSet;
  std::string path;            // the interface's path ("/dev/hidraw4")
  std::vector<uint8_t> bytes;  // set: as sent; get: as handed back; open: empty
  uint32_t error = hid_error::kNone;
};

class SimulatedMouse final : public HidBackend {
 public:
  explicit SimulatedMouse(Clock& clock, SimulatedMouseOptions options = {});
  ~SimulatedMouse() override;
  SimulatedMouse(const SimulatedMouse&) = delete;
  SimulatedMouse& operator=(const SimulatedMouse&) = delete;

  // HidBackend. Enumerate lists nothing while the mouse is away. Open fails
  // with kDeviceNotConnected for a path that is not on the bus. The monitor's
  // fd is a pipe that becomes readable when events wait.
  std::vector<HidInterfaceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override;
  std::unique_ptr<HidMonitor> CreateMonitor() override;

  // The cable. Plug() shows the mouse at once in its current mode; Unplug()
  // removes it: one kRemoveComplete per interface, open handles fail with
  // kDeviceNotConnected from then on (also after a later Plug()).
  void Plug();
  void Unplug();
  bool IsPlugged() const;
  // Plugged and not in the middle of a re-enumeration, at the clock's time.
  bool IsPresent() const;

  // The mouse drops off the bus now and comes back in `mode` once the clock
  // has moved `absentMs` further (0: at once), with new sequence numbers.
  // Presence is decided from the clock whenever the mouse is asked; with a
  // real clock, call CatchUp() from a timer so the arrival is posted on time.
  void Reenumerate(MouseMode mode, uint32_t absentMs);
  void CatchUp();
  MouseMode Mode() const;

  // Release number that enumeration reports (bcdDevice), 0x0026 by default.
  uint16_t VersionNumber() const;
  void SetVersionNumber(uint16_t version);

  // Installs the firmware that answers in `mode`. Normal mode has
  // NormalFirmware from the start, the bootloader BootloaderFirmware with
  // its default options. A change of collections shows at the mode's next
  // appearance.
  void SetFirmware(MouseMode mode, std::unique_ptr<SimFirmware> firmware);

  // Faults: see FaultPlan. Tests only: these are defined in tr58k_sim_faults,
  // which the programs do not link, so the programs cannot call them.
  void AddFault(const Fault& fault);
  void ClearFaults();
  size_t PendingFaults() const;

  // Observation and set-up.
  DeviceConfigBlock Block() const;  // factory block at start
  void SetBlock(const DeviceConfigBlock& block);
  uint8_t SelectedSlot() const;     // 0 at start
  void SetSelectedSlot(uint8_t slot);
  std::vector<SimExchange> Exchanges() const;
  // The bytes of every request that reached the firmware, in order.
  std::vector<std::vector<uint8_t>> Requests() const;
  void ClearLog();

 private:
  std::shared_ptr<SimMouseCore> core_;
};

}  // namespace tr58k
