#include "device/linux/linux_hid_backend.h"

#include <unistd.h>

#include "device/linux/hidraw_device.h"
#include "device/linux/hidraw_sysfs.h"
#include "device/linux/udev_hidraw.h"

namespace tr58k {
namespace {

bool UdevDaemonRuns(const LinuxHidOptions& options) {
  return options.useUdev && ::access(options.udevControlPath.c_str(), F_OK) == 0;
}

// Stateless: every call makes its own udev context, so the window's thread
// and the workers may enumerate and open at the same time.
class LinuxHidBackend final : public HidBackend {
 public:
  explicit LinuxHidBackend(LinuxHidOptions options) : options_(std::move(options)) {}

  std::vector<HidInterfaceInfo> Enumerate() override {
    std::vector<HidInterfaceInfo> interfaces;
    for (const std::string& syspath : ListHidrawNodes(options_).syspaths) {
      for (HidInterfaceInfo& info : ReadHidrawInterfaces(syspath, options_.devDir)) {
        interfaces.push_back(std::move(info));
      }
    }
    return interfaces;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
    return OpenHidrawNode(path, error);
  }

  std::unique_ptr<HidMonitor> CreateMonitor() override {
    return CreateLinuxHidMonitor(options_);
  }

 private:
  const LinuxHidOptions options_;
};

}  // namespace

HidrawListing ListHidrawNodes(const LinuxHidOptions& options) {
  HidrawListing listing;
  if (UdevDaemonRuns(options)) {
    std::vector<std::string> found;
    const bool listed = options.udevList ? options.udevList(&found)
                                         : ListHidrawWithUdev(/*initializedOnly=*/true, &found);
    if (listed) {
      listing.source = HidrawListSource::kUdev;
      listing.syspaths = std::move(found);
      SortByHidrawNumber(listing.syspaths);
      if (!listing.syspaths.empty()) return listing;
      // udev knows no initialised node: if sysfs has some, udev is not
      // really managing this system (a container with the host's /run).
    }
  }
  std::vector<std::string> direct = ListHidrawSysfs(options.sysfsRoot);
  if (!direct.empty() || listing.source != HidrawListSource::kUdev) {
    listing.source = HidrawListSource::kSysfs;
    listing.syspaths = std::move(direct);
  }
  return listing;
}

std::unique_ptr<HidMonitor> CreateLinuxHidMonitor(const LinuxHidOptions& options,
                                                  std::string* source) {
  if (UdevDaemonRuns(options)) {
    if (auto monitor = CreateUdevHidrawMonitor("udev")) {
      if (source != nullptr) *source = "udev";
      return monitor;
    }
  }
  auto monitor = CreateUdevHidrawMonitor("kernel");
  if (monitor && source != nullptr) *source = "kernel";
  return monitor;
}

std::unique_ptr<HidBackend> CreateLinuxHidBackend() {
  return CreateLinuxHidBackend(LinuxHidOptions{});
}

std::unique_ptr<HidBackend> CreateLinuxHidBackend(const LinuxHidOptions& options) {
  return std::make_unique<LinuxHidBackend>(options);
}

}  // namespace tr58k
