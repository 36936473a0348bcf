// tr58k-hid-list: prints what the Linux backend sees, to check a real
// machine (is the mouse listed, with which collections, can it be opened).
//   tr58k-hid-list             list the hidraw interfaces
//   tr58k-hid-list --monitor   then print plug and unplug events until killed
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "device/hid_backend.h"
#include "device/linux/hidraw_sysfs.h"
#include "device/linux/linux_hid_backend.h"

namespace {

const char* EventName(tr58k::HidEventKind kind) {
  switch (kind) {
    case tr58k::HidEventKind::kArrival: return "add";
    case tr58k::HidEventKind::kRemoveComplete: return "remove";
    default: return "other";
  }
}

int Monitor(const tr58k::LinuxHidOptions& options) {
  std::string source;
  std::unique_ptr<tr58k::HidMonitor> monitor = tr58k::CreateLinuxHidMonitor(options, &source);
  if (!monitor) {
    std::fprintf(stderr, "cannot watch hidraw events (no netlink monitor)\n");
    return 1;
  }
  std::printf("watching hidraw events (%s source), Ctrl-C to stop\n", source.c_str());
  std::fflush(stdout);
  for (;;) {
    pollfd fd{monitor->PollFd(), POLLIN, 0};
    if (::poll(&fd, 1, -1) < 0) {
      if (errno == EINTR) continue;
      std::perror("poll");
      return 1;
    }
    for (const tr58k::HidEvent& event : monitor->ReadEvents()) {
      std::printf("%-6s %s\n", EventName(event.kind), event.path.c_str());
    }
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  bool monitor = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--monitor") == 0) {
      monitor = true;
    } else {
      std::fprintf(stderr, "usage: %s [--monitor]\n", argv[0]);
      return 2;
    }
  }
  const tr58k::LinuxHidOptions options;
  const tr58k::HidrawListing listing = tr58k::ListHidrawNodes(options);
  std::printf("%zu hidraw node(s), listed through %s\n", listing.syspaths.size(),
              listing.source == tr58k::HidrawListSource::kUdev ? "udev" : "sysfs");
  for (const std::string& syspath : listing.syspaths) {
    const auto interfaces = tr58k::ReadHidrawInterfaces(syspath, options.devDir);
    if (interfaces.empty()) {
      std::printf("  %s: no HID identity in sysfs\n", syspath.c_str());
      continue;
    }
    for (const tr58k::HidInterfaceInfo& info : interfaces) {
      std::printf("  %-14s %04x:%04x  version %04x  usage page %04x usage %04x\n",
                  info.path.c_str(), info.vendorId, info.productId, info.versionNumber,
                  info.usagePage, info.usage);
    }
    std::printf("    %s\n", syspath.c_str());
  }
  return monitor ? Monitor(options) : 0;
}
