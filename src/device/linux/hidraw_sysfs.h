// What a hidraw node is, read from sysfs alone (the node is never opened for
// it), and the listing of hidraw nodes straight from sysfs for systems
// without a udev daemon. Pure functions over folders, so they are tested on
// fake trees.
//
// Layout relied on, for a hidraw node's device folder (its syspath):
//   <syspath>/uevent                 DEVNAME=hidrawN
//   <syspath>/device -> HID device   uevent: HID_ID=0003:00004C95:00005837
//                                    report_descriptor (binary)
//   above the HID device, for USB:   the USB interface (DEVTYPE=usb_interface)
//                                    and the USB device (DEVTYPE=usb_device)
//                                    with bcdDevice ("0026")
//   <HID device>/input/inputN/id/version   the same number, where hid-input
//                                    made an input device ("0026")
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_backend.h"

namespace tr58k {

inline constexpr uint16_t kHidBusUsb = 0x0003;

struct HidId {
  uint16_t bus = 0;
  uint16_t vendor = 0;
  uint16_t product = 0;
};

// Parses HID_ID's "BBBB:VVVVVVVV:PPPPPPPP" (hex). Returns nullopt when a
// field is missing, empty, longer than 8 digits, not hex, or when the vendor
// or product does not fit 16 bits.
std::optional<HidId> ParseHidId(std::string_view text);

// The value of `key` in uevent text ("KEY=value" lines); nullopt when absent.
std::optional<std::string> UeventValue(std::string_view uevent, std::string_view key);

// bcdDevice text ("0026\n") as a number (0x0026); 0 unless it is 1 to 4
// hex digits, optionally followed by a newline.
uint16_t ParseBcdDevice(std::string_view text);

// The interfaces one hidraw node carries: one entry per top-level
// application collection of its report descriptor, all with the same path
// (devDir + "/" + DEVNAME). Windows shows one interface per top-level
// collection and the link matches on the collection; on Linux one node
// carries every collection of the HID device, so the node is listed once per
// collection and the link's match on 0xFF01/2 finds it whatever else the
// device declares. A descriptor without a top-level collection gives one
// entry with usage page and usage 0. The version is the USB device's
// bcdDevice; for a HID device without a USB device of its own (Bluetooth,
// I2C, uhid) the release number hid-input put on its input devices
// (input/inputN/id/version); 0 when neither is there.
// Returns an empty list when the node has no HID device or no valid HID_ID.
std::vector<HidInterfaceInfo> ReadHidrawInterfaces(const std::string& syspath,
                                                   const std::string& devDir);

// The N of "hidrawN"; UINT64_MAX for names without one (they sort last).
uint64_t HidrawNumber(std::string_view name);

// Orders syspaths by the hidraw number of their last component, numerically
// (hidraw2 before hidraw10), then by name.
void SortByHidrawNumber(std::vector<std::string>& syspaths);

// The syspaths of the entries of <sysfsRoot>/class/hidraw, each resolved to
// the device folder it links to, in hidraw number order. Empty when the
// folder is missing or unreadable.
std::vector<std::string> ListHidrawSysfs(const std::string& sysfsRoot);

}  // namespace tr58k
