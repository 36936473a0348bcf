#include "device/device_link.h"

#include <cstdio>
#include <string>

#include "device/link_trace.h"

namespace tr58k {

namespace detail {

std::string FormatReportLine(const char* verb, const uint8_t* data, size_t length) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string line = verb;
  line += ' ';
  line += std::to_string(length);
  line.reserve(line.size() + length * 3);
  for (size_t i = 0; i < length; ++i) {
    line += ' ';
    line += kHex[data[i] >> 4];
    line += kHex[data[i] & 0x0F];
  }
  return line;
}

void Trace(const DeviceLink& link, const std::string& line) {
  if (link.trace) link.trace(line);
}

}  // namespace detail

void DeviceLink::Sleep(uint32_t ms) {
  detail::Trace(*this, "sleep " + std::to_string(ms));
  clock->Sleep(ms);
}

std::unique_ptr<HidMonitor> RegisterHidNotification(DeviceLink& link) {
  auto lock = link.Lock();
  return link.backend->CreateMonitor();
}

namespace {

bool IsVendorCollection(const HidInterfaceInfo& info, int productId) {
  return info.vendorId == kVendorId && info.productId == productId &&
         info.usagePage == kVendorUsagePage && info.usage == kVendorUsage;
}

void TraceOpen(const DeviceLink& link, int productId, bool found) {
  char line[40];
  std::snprintf(line, sizeof line, "open %04x:%04x %s", kVendorId,
                static_cast<unsigned>(productId) & 0xFFFFu, found ? "ok" : "none");
  detail::Trace(link, line);
}

}  // namespace

int OpenHidDevice(DeviceLink& link, int productId) {
  auto lock = link.Lock();
  link.handle.reset();
  link.connected = 0;
  link.lastOpenError = hid_error::kNone;
  link.lastOpenErrorPath.clear();

  // The backend reports identity and collection without opening, so only a
  // matching interface is opened; the first one that opens wins, which keeps
  // the enumeration-order rule and passes over other collections.
  uint32_t deniedError = hid_error::kNone;
  std::string deniedPath;
  for (const HidInterfaceInfo& info : link.backend->Enumerate()) {
    if (!IsVendorCollection(info, productId)) continue;
    uint32_t error = hid_error::kNone;
    std::unique_ptr<HidDevice> device = link.backend->Open(info.path, &error);
    if (!device) {
      if (error == hid_error::kAccessDenied && deniedError == hid_error::kNone) {
        deniedError = error;
        deniedPath = info.path;
      }
      continue;
    }
    link.handle = std::move(device);
    link.connected = 1;
    link.versionNumber = info.versionNumber;
    TraceOpen(link, productId, true);
    return 1;
  }
  // Only a failed search reports the refused interface: that is when the
  // user has to be told about the permissions.
  link.lastOpenError = deniedError;
  link.lastOpenErrorPath = deniedPath;
  TraceOpen(link, productId, false);
  return 0;
}

int CloseHidDevice(DeviceLink& link) {
  auto lock = link.Lock();
  link.connected = 0;
  link.handle.reset();
  detail::Trace(link, "close");
  return 1;
}

}  // namespace tr58k
