// The Linux HID backend: hidraw nodes listed through libudev (or straight
// from sysfs where no udev daemon runs), identified from sysfs without being
// opened, feature reports through the hidraw ioctls, plug and unplug through
// a udev monitor. No Qt.
//
// Each hidraw node appears once per top-level application collection of its
// report descriptor, all entries with the same path (/dev/hidrawN): one node
// carries every collection of the device, where Windows shows one interface
// per collection. Enumeration is in hidraw number order. Monitor events carry
// the node's syspath, which holds the HID device name "0003:VVVV:PPPP.NNNN".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_backend.h"

namespace tr58k {

struct LinuxHidOptions {
  // Where class/hidraw and the device folders are read. Keep "/sys" when
  // useUdev is set: udev always lists the real sysfs.
  std::string sysfsRoot = "/sys";
  // Folder of the device nodes: paths are devDir + "/hidrawN".
  std::string devDir = "/dev";
  // Present while a udev daemon runs.
  std::string udevControlPath = "/run/udev/control";
  // False: behave as if no udev daemon ran (sysfs listing, kernel monitor).
  bool useUdev = true;
  // Lists initialised hidraw syspaths through udev; returns false when udev
  // cannot be used. Empty: libudev. Tests put a fake here.
  std::function<bool(std::vector<std::string>* syspaths)> udevList;
};

enum class HidrawListSource { kUdev, kSysfs };

struct HidrawListing {
  HidrawListSource source = HidrawListSource::kSysfs;
  std::vector<std::string> syspaths;  // in hidraw number order
};

// The hidraw nodes present. Through udev (initialised devices only) while a
// udev daemon runs; straight from <sysfsRoot>/class/hidraw when none runs,
// when udev cannot be used, or when udev lists nothing while sysfs has nodes
// (containers and minimal systems). Empty when there are none.
HidrawListing ListHidrawNodes(const LinuxHidOptions& options);

// A plug and unplug monitor on the hidraw subsystem: the "udev" source while
// a udev daemon runs, else (or when that fails) the "kernel" source.
// *source (when not null) receives "udev" or "kernel". Returns nullptr when
// neither can be set up.
std::unique_ptr<HidMonitor> CreateLinuxHidMonitor(const LinuxHidOptions& options,
                                                  std::string* source = nullptr);

// The backend on the real system, and on the given options. Never null.
std::unique_ptr<HidBackend> CreateLinuxHidBackend();
std::unique_ptr<HidBackend> CreateLinuxHidBackend(const LinuxHidOptions& options);

}  // namespace tr58k
