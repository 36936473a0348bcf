// The platform layer under the device link: enumerate HID interfaces, open
// one, exchange feature reports, follow plug and unplug. One implementation
// per platform (linux/) plus the simulated mouse (sim/). Nothing of a
// platform's own types appears here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tr58k {

// Failure codes of feature-report calls. The link's retry rule is written
// against these numbers (they are the codes the mouse's protocol was designed
// around); each backend maps its platform's errors onto them.
namespace hid_error {
inline constexpr uint32_t kNone = 0;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kNotReady = 21;           // retryable
inline constexpr uint32_t kCrc = 23;                // retryable
inline constexpr uint32_t kWriteFault = 29;         // retryable
inline constexpr uint32_t kGeneralFailure = 31;
inline constexpr uint32_t kInvalidParameter = 87;   // retryable
inline constexpr uint32_t kDeviceNotConnected = 1167;
inline constexpr uint32_t kFunctionFailed = 1627;   // retryable
inline constexpr uint32_t kInvalidHandle = 6;

// True for the five codes the link retries.
bool IsRetryable(uint32_t code);
}  // namespace hid_error

// One HID interface as the platform reports it, learned without opening it.
struct HidInterfaceInfo {
  std::string path;            // what Open() takes, e.g. /dev/hidraw4 (need not name the ids)
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;  // the device release number (bcdDevice)
  uint16_t usagePage = 0;      // top-level collection
  uint16_t usage = 0;
};

// An open HID interface. Destroying it closes it.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Sends `length` bytes, byte 0 the report id. Returns kNone or a failure code.
  virtual uint32_t SetFeature(const uint8_t* data, size_t length) = 0;
  // Reads the report whose id is data[0] into data[0..length). Returns kNone
  // or a failure code; on failure the buffer's content is unspecified.
  virtual uint32_t GetFeature(uint8_t* data, size_t length) = 0;
  // The length, report id included, of the longest feature report the
  // interface declares, where the platform may refuse a shorter feature
  // buffer (Windows' FeatureReportByteLength); 0 where any length is taken.
  virtual size_t FeatureReportLength() const { return 0; }
};

enum class HidEventKind { kArrival, kRemoveComplete, kOther };

struct HidEvent {
  HidEventKind kind = HidEventKind::kOther;
  std::string path;  // holds the vendor and product ids, e.g. "...0003:4C95:5837.0007..."
};

// Plug and unplug notifications, drained with ReadEvents() (never blocks).
// A host learns that events are waiting in one of two ways: it watches
// PollFd() where the monitor has a descriptor (a Qt socket notifier), or it
// hands over a callback (a Windows window, whose wake-ups are window
// messages). Every monitor supports the callback; PollFd() is -1 where there
// is no descriptor.
class HidMonitor {
 public:
  virtual ~HidMonitor() = default;
  // A descriptor that becomes readable while events are waiting; -1 when the
  // monitor has none.
  virtual int PollFd() const = 0;
  // `eventsWaiting` is called, on whatever thread the monitor learns of an
  // event, each time events start waiting; it must only schedule the read
  // (post a message), never read or block. An empty function stops the calls.
  virtual void SetEventsWaitingCallback(std::function<void()> eventsWaiting) = 0;
  virtual std::vector<HidEvent> ReadEvents() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // The present HID interfaces, in a stable enumeration order.
  virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
  // Opens an interface for reading and writing. Returns nullptr on failure,
  // with *error set (kAccessDenied when the node exists but may not be
  // opened by this user, kDeviceNotConnected when it has gone).
  virtual std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) = 0;
  // A notification source; nullptr when the platform cannot provide one.
  virtual std::unique_ptr<HidMonitor> CreateMonitor() = 0;
};

}  // namespace tr58k
