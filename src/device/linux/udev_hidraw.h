// The libudev side of the backend: listing hidraw nodes and following their
// plug and unplug events. Everything else about a node is read from sysfs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_backend.h"

namespace tr58k {

// Appends the syspaths of the hidraw devices udev knows, only those udev has
// finished initialising when `initializedOnly` (rules and permissions are
// applied). Returns false when libudev could not be used at all.
bool ListHidrawWithUdev(bool initializedOnly, std::vector<std::string>* syspaths);

// "add" gives kArrival, "remove" kRemoveComplete, anything else (change,
// bind, unbind, an empty action) kOther.
HidEventKind HidEventKindFromAction(std::string_view action);

// A netlink monitor filtered on the hidraw subsystem. `source` is "udev"
// (events after udev has applied its rules; needs a running udev daemon) or
// "kernel" (raw kernel events). Its fd is non-blocking; each event's path is
// the device's syspath. Returns nullptr when the monitor cannot be set up.
std::unique_ptr<HidMonitor> CreateUdevHidrawMonitor(const char* source);

}  // namespace tr58k
