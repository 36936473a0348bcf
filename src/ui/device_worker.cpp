#include "ui/device_worker.h"

#include <chrono>

namespace tr58k {

DeviceWorker::DeviceWorker() : thread_([this] { Run(); }) {}

DeviceWorker::~DeviceWorker() { Stop({}); }

void DeviceWorker::Post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    queue_.push_back(std::move(job));
  }
  wake_.notify_all();
}

bool DeviceWorker::Idle() const {
  std::lock_guard lock(mutex_);
  return !busy_ && queue_.empty();
}

uint64_t DeviceWorker::JobsDone() const {
  std::lock_guard lock(mutex_);
  return done_;
}

void DeviceWorker::Run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) break;
      job = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
    }
    job();
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
      ++done_;
    }
    wake_.notify_all();
  }
}

void DeviceWorker::Stop(const std::function<void()>& serve) {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  queue_.clear();
  wake_.notify_all();
  // The running job may be waiting for the caller's thread: keep answering
  // it until the job has ended. The short wait only paces that loop.
  while (busy_) {
    lock.unlock();
    if (serve) serve();
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(2), [this] { return !busy_; });
  }
  lock.unlock();
  if (thread_.joinable()) thread_.join();
}

}  // namespace tr58k
