#include "testing/fake_logind.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>

namespace tr58k {

namespace {

// The address line dbus-daemon prints once it listens; empty when it could
// not be started.
std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

FakeLogind::~FakeLogind() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  sd_bus_slot_unref(slot_);
  sd_bus_flush_close_unref(bus_);
  if (daemonPid_ > 0) {
    ::kill(daemonPid_, SIGTERM);
    ::waitpid(daemonPid_, nullptr, 0);
  }
  if (hadAddress_) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", previousAddress_.c_str(), 1);
  } else {
    ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  if (lockReadEnd_ >= 0) ::close(lockReadEnd_);
}

bool FakeLogind::Start() {
  if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
    hadAddress_ = true;
    previousAddress_ = old;
  }
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return false;
  daemonPid_ = ::fork();
  if (daemonPid_ == 0) {
    ::dup2(out[1], 1);
    const int quiet = ::open("/dev/null", O_WRONLY);  // its notes are not the test's
    if (quiet >= 0) ::dup2(quiet, 2);
    ::execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile",
             "--print-address=1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  const std::string address = daemonPid_ > 0 ? ReadLine(out[0]) : std::string();
  ::close(out[0]);
  if (address.empty()) return false;
  ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);

  static const sd_bus_vtable kVtable[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("Inhibit", "ssss", "h", &FakeLogind::OnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_VTABLE_END};
  if (sd_bus_new(&bus_) < 0 || sd_bus_set_address(bus_, address.c_str()) < 0 ||
      sd_bus_set_bus_client(bus_, 1) < 0 || sd_bus_start(bus_) < 0 ||
      sd_bus_add_object_vtable(bus_, &slot_, "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", kVtable, this) < 0 ||
      sd_bus_request_name(bus_, "org.freedesktop.login1", 0) < 0) {
    return false;
  }
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void FakeLogind::Serve() {
  while (!stop_) {
    if (sd_bus_process(bus_, nullptr) > 0) continue;
    sd_bus_wait(bus_, 50000);  // µs: look at stop_ now and then
  }
}

int FakeLogind::OnInhibit(sd_bus_message* message, void* userdata, sd_bus_error*) {
  auto* self = static_cast<FakeLogind*>(userdata);
  const char *what = nullptr, *who = nullptr, *why = nullptr, *mode = nullptr;
  int r = sd_bus_message_read(message, "ssss", &what, &who, &why, &mode);
  if (r < 0) return r;
  int lock[2];
  if (::pipe2(lock, O_CLOEXEC) != 0) return -errno;
  {
    std::lock_guard guard(self->mutex_);
    self->calls_.push_back(std::string(what) + "|" + who + "|" + why + "|" + mode);
    if (self->lockReadEnd_ >= 0) ::close(self->lockReadEnd_);
    self->lockReadEnd_ = lock[0];
  }
  // The reply carries its own copy of the write end.
  r = sd_bus_reply_method_return(message, "h", lock[1]);
  ::close(lock[1]);
  return r;
}

std::vector<std::string> FakeLogind::Calls() const {
  std::lock_guard guard(mutex_);
  return calls_;
}

bool FakeLogind::LockHeld() const { return !LockReleasedWithin(0); }

bool FakeLogind::LockReleasedWithin(int ms) const {
  std::lock_guard guard(mutex_);
  if (lockReadEnd_ < 0) return true;
  // Nobody writes: the pipe turns readable (end of file) only when the
  // last write end is closed.
  pollfd p{lockReadEnd_, POLLIN, 0};
  return ::poll(&p, 1, ms) == 1;
}

}  // namespace tr58k
