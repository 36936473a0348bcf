// The Windows HID backend: HID interfaces through SetupAPI and the HID class
// driver, feature reports with HidD_SetFeature/HidD_GetFeature, whose
// GetLastError codes are the link's failure codes as they are. Each feature
// call is bounded (feature_call_watchdog.h): one cancelled after the bound
// fails with kWriteFault, as a timed-out request does on Linux.
#pragma once

#include <memory>

#include "device/hid_backend.h"
#include "device/windows/feature_call_watchdog.h"
#include "device/windows/hid_system_calls.h"

namespace tr58k {

// Enumerate() opens each interface in turn to learn its ids and collection
// and closes it again; one that refuses reading and writing (another program
// holds it, or access is denied) is asked with a query-only open, so that
// Open() can later report kAccessDenied for it. Interfaces that cannot be
// asked at all are left out.
class WindowsHidBackend final : public HidBackend {
 public:
  // `featureCallBoundMs`: how long one feature call may take before it is
  // cancelled.
  explicit WindowsHidBackend(HidSystemCalls& calls, uint32_t featureCallBoundMs = kFeatureCallBoundMs)
      : calls_(calls), featureCallBoundMs_(featureCallBoundMs) {}
  std::vector<HidInterfaceInfo> Enumerate() override;
  // Reads the interface's FeatureReportByteLength as it opens it (the
  // device's FeatureReportLength(); 0 when the capabilities cannot be read).
  // Returns nullptr with *error kAccessDenied (refused, or shared with a
  // program that holds it exclusively), kDeviceNotConnected (gone) or the
  // Win32 code of any other failure.
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override;
  // Notifications through a message-only window on a thread of its own;
  // nullptr when registering fails.
  std::unique_ptr<HidMonitor> CreateMonitor() override;

 private:
  HidSystemCalls& calls_;
  uint32_t featureCallBoundMs_;
};

// The backend on the real system calls.
std::unique_ptr<HidBackend> CreateWindowsHidBackend();

}  // namespace tr58k
