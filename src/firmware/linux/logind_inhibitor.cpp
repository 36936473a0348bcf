#include "firmware/linux/logind_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace tr58k {

namespace {

constexpr const char* kDestination = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kInterface = "org.freedesktop.login1.Manager";
constexpr const char* kWhat = "shutdown:sleep:idle";
constexpr const char* kMode = "block";

}  // namespace

bool LogindSleepInhibitor::Acquire(const std::string& why) {
  if (fd_ >= 0) return true;
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return false;
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int fd = -1;
  const int called = sd_bus_call_method(bus, kDestination, kPath, kInterface, "Inhibit", &error,
                                        &reply, "ssss", kWhat, who_.c_str(), why.c_str(), kMode);
  if (called >= 0 && sd_bus_message_read(reply, "h", &fd) >= 0 && fd >= 0) {
    // The descriptor belongs to the reply; keep a copy of our own.
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return fd_ >= 0;
}

void LogindSleepInhibitor::Release() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace tr58k
