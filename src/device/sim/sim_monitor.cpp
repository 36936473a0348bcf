#include "device/sim/sim_monitor.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tr58k {

std::shared_ptr<SimEventChannel> SimEventChannel::Create() {
#ifdef _WIN32
  return std::shared_ptr<SimEventChannel>(new SimEventChannel(-1, -1));
#else
  int fds[2];
  if (pipe(fds) != 0) return nullptr;
  for (int fd : fds) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return std::shared_ptr<SimEventChannel>(new SimEventChannel(fds[0], fds[1]));
#endif
}

SimEventChannel::~SimEventChannel() {
#ifndef _WIN32
  close(readFd_);
  close(writeFd_);
#endif
}

void SimEventChannel::SetEventsWaitingCallback(std::function<void()> callback) {
  bool waiting = false;
  {
    std::lock_guard lock(mutex_);
    eventsWaiting_ = std::move(callback);
    waiting = eventsWaiting_ && !queue_.empty();
  }
  // Events that arrived before the host subscribed must not sit unnoticed.
  if (waiting) eventsWaiting_();
}

void SimEventChannel::Post(const HidEvent& event) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    const bool wasEmpty = queue_.empty();
    queue_.push_back(event);
#ifndef _WIN32
    // One byte per event wakes the reader. A full pipe is already readable,
    // so a failed write loses nothing: the queue holds the event.
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(writeFd_, &byte, 1);
#endif
    if (wasEmpty) wake = eventsWaiting_;
  }
  // Outside the lock: the callback may post to a window whose thread is
  // draining this channel at the same moment.
  if (wake) wake();
}

std::vector<HidEvent> SimEventChannel::Drain() {
  std::lock_guard lock(mutex_);
#ifndef _WIN32
  char buffer[256];
  while (read(readFd_, buffer, sizeof buffer) > 0) {
  }
#endif
  std::vector<HidEvent> events;
  events.swap(queue_);
  return events;
}

std::vector<HidEvent> SimMonitor::ReadEvents() {
  if (beforeRead_) beforeRead_();
  return channel_->Drain();
}

}  // namespace tr58k
