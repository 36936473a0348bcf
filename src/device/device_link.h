// The one connection to the mouse: discovery by vendor, product and
// top-level collection, feature-report exchange with the retry and busy-wait
// rules of the mouse's protocol, and the firmware version number.
//
// Serialisation: several threads use the link (the window, the apply worker,
// the firmware worker). Every operation here, and every command built on it,
// holds the link's lock for its whole length, so one command (request, wait,
// response) runs at a time and an open or close never lands inside another
// thread's command. Code that must run several commands as one unit takes
// Lock() around them; the lock is recursive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "device/clock.h"
#include "device/hid_backend.h"

namespace tr58k {

inline constexpr uint16_t kVendorId = 0x4C95;
inline constexpr uint16_t kMouseProductId = 0x5837;
inline constexpr uint16_t kBootloaderProductId = 0x5836;
inline constexpr uint16_t kVendorUsagePage = 0xFF01;
inline constexpr uint16_t kVendorUsage = 0x0002;

// Feature report forms: byte 0 report id, byte 1 command (request) or status
// (response), bytes 2..15 parameters, data from byte 16.
inline constexpr size_t kShortReportLength = 64;
inline constexpr size_t kLongReportLength = 1041;
using ShortReport = std::array<uint8_t, kShortReportLength>;
using LongReport = std::array<uint8_t, kLongReportLength>;

namespace report {
inline constexpr size_t kReportId = 0;
inline constexpr size_t kCommand = 1;  // request
inline constexpr size_t kStatus = 1;   // response
inline constexpr size_t kData = 16;
inline constexpr uint8_t kIdLong = 0xA0;
inline constexpr uint8_t kIdShort = 0xA1;
inline constexpr uint8_t kStatusDone = 1;
inline constexpr uint8_t kStatusBusy = 4;
}  // namespace report

// Receives one line per link event when set (see tr58kctl --trace):
// "open 4c95:5837 ok|none", "close", "set <len> <hex>", "get <len> <hex>",
// "fail set|get <code>", "sleep <ms>", and "pad set|get <len> <padded len>"
// when the device refused a report for its length and the exchange is made
// again zero-padded to the interface's feature report length (the set line
// that follows shows the padded bytes sent, the get line the <len> bytes
// the caller receives).
using LinkTrace = std::function<void(std::string_view line)>;

struct DeviceLink {
  DeviceLink(HidBackend& backend, Clock& clock) : backend(&backend), clock(&clock) {}
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // The open interface; null while closed.
  std::unique_ptr<HidDevice> handle;
  // 1 after a successful open; 0 while a search runs, after a failed search
  // and after a close.
  uint16_t connected = 0;
  // Version number of the interface last opened; kept across a close.
  uint32_t versionNumber = 0;

  HidBackend* backend;
  Clock* clock;
  LinkTrace trace;
  // Whether the firmware transfer may send the images made for the simulated
  // mouse (IsTestImage). Whoever chooses the backend says so: the programs
  // when they chose the simulated mouse, and test rigs. A real mouse never
  // gets one.
  bool testImagesAllowed = false;

  // Set by a failed OpenHidDevice when a matching interface existed but
  // refused to open with kAccessDenied (missing udev rule), with its path;
  // kNone (and an empty path) after every other search.
  uint32_t lastOpenError = hid_error::kNone;
  std::string lastOpenErrorPath;

  std::unique_lock<std::recursive_mutex> Lock() {
    return std::unique_lock<std::recursive_mutex>(mutex);
  }
  // Every protocol wait: goes through the clock and the trace.
  void Sleep(uint32_t ms);

  // Mutable so that readers of a const link (ReadFirmwareVersion) can hold it.
  mutable std::recursive_mutex mutex;
};

// Returns a monitor for plug and unplug events, or nullptr when the platform
// has none (the window then goes on without them).
std::unique_ptr<HidMonitor> RegisterHidNotification(DeviceLink& link);

// Closes any open handle, then opens the first interface in enumeration order
// with vendor 0x4C95, the given product id and collection 0xFF01/2. Returns 1
// found and opened, 0 not found (handle null, connected 0, versionNumber
// unchanged).
int OpenHidDevice(DeviceLink& link, int productId);

// Returns 1 sent, 0 failed (after the retries for retryable codes). A
// report that the device refuses for its length (code 87 or 23, and the
// handle's FeatureReportLength() longer) is sent again at once zero-padded
// to that length, and so are its retries.
int SendFeatureReport(DeviceLink& link, const uint8_t* report, size_t length);

// Reads into `report` (byte 0 set by the caller to the report id), with the
// error retries and the busy poll, padding refused reads as
// SendFeatureReport does (only `length` bytes are copied back). Returns 1
// when the last read reached the device (the status byte may still be 4),
// 0 when it failed.
int ReceiveFeatureReport(DeviceLink& link, uint8_t* report, size_t length);

// The stored version number read as decimal digits: 0x0026 gives 26. Holds
// the link's lock: another thread's open may be storing a new number.
uint16_t ReadFirmwareVersion(const DeviceLink& link);

// "V0.26" for 26; the windows' and the command line's firmware text.
std::string FormatFirmwareVersion(uint16_t version);

// Clears connected and closes the handle. Always returns 1.
int CloseHidDevice(DeviceLink& link);

// True when an event path names the normal-mode mouse: it holds "4C95" or
// "4c95" and "5837", each found after the path's first character.
bool PathNamesMouse(const std::string& path);

}  // namespace tr58k
