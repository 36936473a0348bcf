// Turns a pollable descriptor into calls of a callback, for hosts that watch
// no descriptors. A thread polls the descriptor; once it is readable the
// callback runs and the thread waits for Rearm() (called when the events
// have been read) before polling again, so a descriptor that stays readable
// until drained does not call the callback in a loop.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tr58k {

class FdWakeThread {
 public:
  // Starts the thread; `fd` must stay open until the object is destroyed.
  FdWakeThread(int fd, std::function<void()> readable);
  // Stops and joins the thread.
  ~FdWakeThread();
  FdWakeThread(const FdWakeThread&) = delete;
  FdWakeThread& operator=(const FdWakeThread&) = delete;

  // The events have been read: poll again.
  void Rearm();

 private:
  void Run();

  int fd_;
  int stopPipe_[2] = {-1, -1};
  std::function<void()> readable_;
  std::mutex mutex_;
  std::condition_variable rearmed_;
  bool armed_ = true;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tr58k
