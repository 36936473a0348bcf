// The one thread that talks to the mouse once the window is up: apply,
// restore and the refresh after a plug-in run here one after another, in the
// order they were asked for, so two quick clicks never interleave on the
// link and the window's thread never waits on the device.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tr58k {

class DeviceWorker {
 public:
  DeviceWorker();
  // Stop() with nothing to serve.
  ~DeviceWorker();
  DeviceWorker(const DeviceWorker&) = delete;
  DeviceWorker& operator=(const DeviceWorker&) = delete;

  // Queues `job` behind every job posted before it. Ignored once Stop() has
  // begun. Any thread.
  void Post(std::function<void()> job);

  // True when no job is running and none is waiting.
  bool Idle() const;
  // Jobs that have run to their end.
  uint64_t JobsDone() const;

  // Drops the jobs that have not started and returns once the running one
  // has ended. `serve` is called again and again meanwhile, so that the
  // calling thread can answer what the running job asks of it; it must not
  // block. Idempotent.
  void Stop(const std::function<void()>& serve);

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  uint64_t done_ = 0;
  std::thread thread_;
};

}  // namespace tr58k
