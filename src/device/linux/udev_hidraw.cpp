#include "device/linux/udev_hidraw.h"

#include <fcntl.h>
#include <libudev.h>

#include <memory>

#include "device/linux/fd_wake_thread.h"

namespace tr58k {
namespace {

constexpr const char* kSubsystem = "hidraw";
// Events drained per ReadEvents call; the fd stays readable when more wait,
// so a flood cannot hold the caller's event loop.
constexpr int kMaxEventsPerRead = 256;

class UdevHidrawMonitor final : public HidMonitor {
 public:
  UdevHidrawMonitor(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
  ~UdevHidrawMonitor() override {
    wake_.reset();  // before the descriptor it polls goes
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
  }
  UdevHidrawMonitor(const UdevHidrawMonitor&) = delete;
  UdevHidrawMonitor& operator=(const UdevHidrawMonitor&) = delete;

  int PollFd() const override { return udev_monitor_get_fd(monitor_); }

  void SetEventsWaitingCallback(std::function<void()> eventsWaiting) override {
    wake_.reset();
    if (eventsWaiting) wake_ = std::make_unique<FdWakeThread>(PollFd(), std::move(eventsWaiting));
  }

  std::vector<HidEvent> ReadEvents() override {
    std::vector<HidEvent> events;
    struct Rearm {
      FdWakeThread* wake;
      ~Rearm() {
        if (wake != nullptr) wake->Rearm();
      }
    } rearm{wake_.get()};
    for (int i = 0; i < kMaxEventsPerRead; ++i) {
      udev_device* device = udev_monitor_receive_device(monitor_);
      if (device == nullptr) break;  // nothing left (the fd is non-blocking)
      HidEvent event;
      const char* action = udev_device_get_action(device);
      event.kind = HidEventKindFromAction(action != nullptr ? action : "");
      const char* syspath = udev_device_get_syspath(device);
      if (syspath != nullptr) event.path = syspath;
      udev_device_unref(device);
      events.push_back(std::move(event));
    }
    return events;
  }

 private:
  udev* udev_;
  udev_monitor* monitor_;
  std::unique_ptr<FdWakeThread> wake_;
};

}  // namespace

bool ListHidrawWithUdev(bool initializedOnly, std::vector<std::string>* syspaths) {
  udev* context = udev_new();
  if (context == nullptr) return false;
  udev_enumerate* enumerate = udev_enumerate_new(context);
  bool ok = enumerate != nullptr && udev_enumerate_add_match_subsystem(enumerate, kSubsystem) >= 0;
  if (ok && initializedOnly) ok = udev_enumerate_add_match_is_initialized(enumerate) >= 0;
  if (ok) ok = udev_enumerate_scan_devices(enumerate) >= 0;
  if (ok) {
    udev_list_entry* entry = udev_enumerate_get_list_entry(enumerate);
    for (; entry != nullptr; entry = udev_list_entry_get_next(entry)) {
      const char* syspath = udev_list_entry_get_name(entry);
      if (syspath != nullptr) syspaths->push_back(syspath);
    }
  }
  if (enumerate != nullptr) udev_enumerate_unref(enumerate);
  udev_unref(context);
  return ok;
}

HidEventKind HidEventKindFromAction(std::string_view action) {
  if (action == "add") return HidEventKind::kArrival;
  if (action == "remove") return HidEventKind::kRemoveComplete;
  return HidEventKind::kOther;
}

std::unique_ptr<HidMonitor> CreateUdevHidrawMonitor(const char* source) {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, source);
  bool ok = monitor != nullptr &&
            udev_monitor_filter_add_match_subsystem_devtype(monitor, kSubsystem, nullptr) >= 0 &&
            udev_monitor_enable_receiving(monitor) >= 0;
  if (ok) {
    const int fd = udev_monitor_get_fd(monitor);
    const int flags = fd >= 0 ? fcntl(fd, F_GETFL) : -1;
    ok = flags >= 0 && ((flags & O_NONBLOCK) != 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) >= 0);
  }
  if (!ok) {
    if (monitor != nullptr) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::make_unique<UdevHidrawMonitor>(context, monitor);
}

}  // namespace tr58k
