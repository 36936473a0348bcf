#include "device/linux/fd_wake_thread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tr58k {

FdWakeThread::FdWakeThread(int fd, std::function<void()> readable)
    : fd_(fd), readable_(std::move(readable)) {
  if (pipe2(stopPipe_, O_CLOEXEC) != 0) stopPipe_[0] = stopPipe_[1] = -1;
  thread_ = std::thread([this] { Run(); });
}

FdWakeThread::~FdWakeThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  rearmed_.notify_all();
  if (stopPipe_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(stopPipe_[1], &byte, 1);
  }
  thread_.join();
  for (int end : stopPipe_) {
    if (end >= 0) close(end);
  }
}

void FdWakeThread::Rearm() {
  {
    std::lock_guard lock(mutex_);
    armed_ = true;
  }
  rearmed_.notify_all();
}

void FdWakeThread::Run() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      rearmed_.wait(lock, [this] { return armed_ || stopping_; });
      if (stopping_) return;
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    // Without a stop pipe the thread looks at the stop flag once a second.
    const int timeoutMs = stopPipe_[0] >= 0 ? -1 : 1000;
    const int ready = poll(fds, stopPipe_[0] >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0 && errno != EINTR) return;
    if (fds[1].revents != 0) return;
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
      {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        armed_ = false;
      }
      readable_();
    }
  }
}

}  // namespace tr58k
