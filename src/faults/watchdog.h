// A watchdog for tests that could hang: when the current piece of work has
// not ended within its limit of real time, it names that work on standard
// error and aborts the test program, so that a deadlock or an endless retry
// fails the test instead of stalling the test run.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace tr58k::faults {

class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit)
      : limit_(limit), thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Starts the clock for the next piece of work.
  void Enter(std::string what) {
    std::lock_guard lock(mutex_);
    what_ = std::move(what);
    deadline_ = std::chrono::steady_clock::now() + limit_;
    changed_.notify_all();
  }

 private:
  void Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      if (std::chrono::steady_clock::now() >= deadline_) {
        std::fprintf(stderr, "watchdog: no end after %lld ms: %s\n",
                     static_cast<long long>(limit_.count()), what_.c_str());
        std::fflush(stderr);
        std::abort();
      }
      changed_.wait_until(lock, deadline_);
    }
  }

  const std::chrono::milliseconds limit_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string what_ = "start-up";
  std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::now() + limit_;
  bool stop_ = false;
  std::thread thread_;  // last: starts once everything above is set
};

}  // namespace tr58k::faults
