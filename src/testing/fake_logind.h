// For the inhibitor's tests: a private message bus (a dbus-daemon of its
// own) standing in for the system bus, with a stand-in logind on it that
// answers Inhibit() with one end of a pipe and keeps the other, so a test
// sees when the lock is given back (the pipe reads end-of-file).
#pragma once

#include <systemd/sd-bus.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tr58k {

class FakeLogind {
 public:
  FakeLogind() = default;
  ~FakeLogind();
  FakeLogind(const FakeLogind&) = delete;
  FakeLogind& operator=(const FakeLogind&) = delete;

  // Starts the bus, points DBUS_SYSTEM_BUS_ADDRESS at it and takes the name
  // org.freedesktop.login1. False when there is no dbus-daemon here.
  bool Start();

  // The arguments of the Inhibit() calls so far: "what|who|why|mode".
  std::vector<std::string> Calls() const;
  // True while the lock given last is still held by someone.
  bool LockHeld() const;
  // True once every copy of the lock given last was closed, waiting for it
  // at most `ms` (the bus daemon lets go of its copy on its own time).
  bool LockReleasedWithin(int ms) const;

 private:
  static int OnInhibit(sd_bus_message* message, void* self, sd_bus_error* error);
  void Serve();

  int daemonPid_ = -1;
  sd_bus* bus_ = nullptr;
  sd_bus_slot* slot_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  int lockReadEnd_ = -1;
  std::string previousAddress_;
  bool hadAddress_ = false;
};

}  // namespace tr58k
