// The virtual TR-58K behind /dev/uhid, without the uhid plumbing: which
// interfaces the mouse shows, how it answers each feature-report set and get
// the kernel hands it, when it leaves the bus and comes back, and the log of
// every request it received. The firmware of each mode is a SimFirmware (the
// same models the simulated mouse runs); this class adds what only a mouse on
// a real bus needs: full-length answers, busy answers now and then, being
// pulled out in the middle of an exchange, and a log for the scenarios.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/clock.h"
#include "device/sim/sim_firmware.h"
#include "vmtest/report_descriptors.h"

namespace tr58k {

// Every feature report the vendor collection declares (0xA0 and 0xA1) is the
// report id and 1040 data bytes; a get is always answered at that length,
// as a device on USB does, and the kernel hands the caller what it asked for.
inline constexpr size_t kVirtualReportLength = 1041;

// Pulls the mouse out when the `occurrence`-th request (1-based) with
// command byte `command` reaches the vendor collection, before it is
// answered: the kernel fails the pending call.
// How long the mouse stays on the bus after answering a request that makes
// it re-enumerate. The kernel fails a get whose device goes away before the
// caller has taken the answer, even when the answer was given, so a mouse
// that left at once would never be heard saying yes.
inline constexpr uint32_t kLeaveAfterAnswerMs = 100;

struct UnplugTrigger {
  uint8_t command = 0;
  uint32_t occurrence = 1;
};

// Stops answering gets after the `occurrence`-th request with `command`:
// the mouse hangs, and the kernel fails each get after its own time limit.
using MuteTrigger = UnplugTrigger;

struct VirtualMouseOptions {
  MouseMode mode = MouseMode::kNormal;
  uint16_t versionNumber = 0x0026;
  // Every n-th request to the vendor collection (0: never) is first answered
  // `busyCount` times with status 4 before its real answer.
  uint32_t busyEvery = 0;
  uint32_t busyCount = 1;
  std::optional<UnplugTrigger> unplugAt;
  std::optional<MuteTrigger> muteAt;
  // After an unplug (trigger or Unplug()), plugged in again after this many
  // ms; nullopt: stays out until Plug().
  std::optional<uint32_t> replugAfterMs;
  // The data bytes the descriptor declares for report 0xA1: the short
  // form's, or the long form's (kVirtualLongReportDataBytes).
  uint16_t shortReportDataBytes = kVirtualShortReportDataBytes;
};

// One interface the mouse shows: a HID device of its own on the bus.
struct VirtualInterface {
  SimCollection collection;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  bool takesReports = false;  // the vendor collection 0xFF01/2
  uint16_t shortReportDataBytes = kVirtualShortReportDataBytes;  // declared for 0xA1
};

struct SetOutcome {
  bool answer = true;  // false: leave the request unanswered (the mouse left)
  bool ok = true;      // the answer: accepted, or failed (the kernel says EIO)
};

struct GetOutcome {
  bool answer = true;
  bool ok = true;
  std::vector<uint8_t> data;  // kVirtualReportLength bytes when ok
};

class VirtualMouse {
 public:
  using LogSink = std::function<void(const std::string& line)>;

  // `normal` and `bootloader` answer in their modes; `log` receives one line
  // per event (see the scenario library for the format).
  VirtualMouse(Clock& clock, VirtualMouseOptions options, std::unique_ptr<SimFirmware> normal,
               std::unique_ptr<SimFirmware> bootloader, LogSink log);

  // Bumped whenever the mouse leaves or arrives; the bus side re-creates
  // its devices when it changes.
  uint64_t Generation() const { return generation_; }
  bool Present() const { return present_; }
  // The interfaces to show while present, in creation order; empty while away.
  std::vector<VirtualInterface> Interfaces() const;

  SetOutcome OnSetReport(size_t interfaceIndex, std::span<const uint8_t> data);
  GetOutcome OnGetReport(size_t interfaceIndex, uint8_t reportId);

  // The cable, for the scenario's signals.
  void Unplug();
  void Plug();

  // Takes the mouse off the bus or brings it back when its time has come.
  // Returns the clock time of the next thing due, or nullopt when nothing is.
  std::optional<uint64_t> Tick();

  const SimMouseState& State() const { return state_; }

 private:
  SimFirmware& Firmware();
  std::span<const uint8_t> AsFirmwareReadsIt(std::span<const uint8_t> data) const;
  void Leave(uint32_t absentMs, bool forever);
  void Arrive();
  void Log(const std::string& line);

  Clock& clock_;
  VirtualMouseOptions options_;
  std::unique_ptr<SimFirmware> firmware_[2];
  LogSink log_;

  MouseMode mode_;
  SimMouseState state_;
  bool present_ = false;
  std::optional<uint64_t> returnAtMs_;
  std::optional<uint64_t> leaveAtMs_;       // a re-enumeration on its way
  std::optional<SimModeChange> modeChange_;
  uint64_t generation_ = 0;

  std::vector<uint8_t> response_;  // what the next get reads
  uint32_t busyLeft_ = 0;
  uint32_t requests_ = 0;          // to the vendor collection
  uint32_t triggerMatches_ = 0;
  uint32_t muteMatches_ = 0;
  bool muted_ = false;
};

// Lower-case hex, two digits per byte, no separators.
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace tr58k
