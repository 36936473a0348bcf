#include "device/sim/sim_monitor.h"

#include <fcntl.h>
#include <unistd.h>

namespace tr58k {

std::shared_ptr<SimEventChannel> SimEventChannel::Create() {
  int fds[2];
  if (pipe(fds) != 0) return nullptr;
  for (int fd : fds) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  return std::shared_ptr<SimEventChannel>(new SimEventChannel(fds[0], fds[1]));
}

SimEventChannel::~SimEventChannel() {
  close(readFd_);
  close(writeFd_);
}

void SimEventChannel::Post(const HidEvent& event) {
  std::lock_guard lock(mutex_);
  queue_.push_back(event);
  // One byte per event wakes the reader. A full pipe is already readable, so
  // a failed write loses nothing: the queue holds the event.
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(writeFd_, &byte, 1);
}

std::vector<HidEvent> SimEventChannel::Drain() {
  std::lock_guard lock(mutex_);
  char buffer[256];
  while (read(readFd_, buffer, sizeof buffer) > 0) {
  }
  std::vector<HidEvent> events;
  events.swap(queue_);
  return events;
}

std::vector<HidEvent> SimMonitor::ReadEvents() {
  if (beforeRead_) beforeRead_();
  return channel_->Drain();
}

}  // namespace tr58k
