#include "ui/window_calls.h"

namespace tr58k {

WindowCalls::WindowCalls(std::function<void()> wake)
    : wake_(std::move(wake)), windowThread_(std::this_thread::get_id()) {}

void WindowCalls::Post(std::function<void()> fn) {
  auto pending = std::make_shared<Pending>();
  pending->fn = std::move(fn);
  {
    std::lock_guard lock(mutex_);
    if (dropPosts_) return;
    queue_.push_back(std::move(pending));
  }
  wake_();
}

void WindowCalls::Call(const std::function<void()>& fn) {
  if (OnWindowThread()) {
    fn();
    return;
  }
  auto pending = std::make_shared<Pending>();
  pending->fn = fn;
  pending->waited = true;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(pending);
  }
  wake_();
  std::unique_lock lock(mutex_);
  doneChanged_.wait(lock, [&] { return pending->done; });
}

void WindowCalls::RunPending() {
  for (;;) {
    std::shared_ptr<Pending> pending;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return;
      pending = queue_.front();
      queue_.pop_front();
    }
    pending->fn();
    if (!pending->waited) continue;
    {
      std::lock_guard lock(mutex_);
      pending->done = true;
    }
    doneChanged_.notify_all();
  }
}

void WindowCalls::DropPosts() {
  std::lock_guard lock(mutex_);
  dropPosts_ = true;
  std::erase_if(queue_, [](const std::shared_ptr<Pending>& p) { return !p->waited; });
}

}  // namespace tr58k
