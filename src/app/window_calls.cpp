#include "app/window_calls.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace tr58k {

WindowCalls::WindowCalls(QObject* window) : window_(window) {}

void WindowCalls::Call(const std::function<void()>& fn) {
  if (QThread::currentThread() == window_->thread()) {
    fn();
    return;
  }
  auto pending = std::make_shared<Pending>();
  pending->fn = fn;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(pending);
  }
  QMetaObject::invokeMethod(window_, [this] { RunPending(); }, Qt::QueuedConnection);
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
    {
      std::lock_guard lock(mutex_);
      pending->done = true;
    }
    doneChanged_.notify_all();
  }
}

}  // namespace tr58k
