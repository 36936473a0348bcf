// How a device job reaches the window: the call is queued to the window's
// thread and the job waits until it has run there. The waiting uses the
// standard library's primitives, so the hand-over of the data is plain to
// see (and to a race checker); the window's thread never waits on the job.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace tr58k {

class WindowCalls {
 public:
  // `window` is the object whose thread runs the calls; it must outlive
  // every Call().
  explicit WindowCalls(QObject* window);

  // Runs `fn` on the window's thread and returns once it has run. Called on
  // the window's thread itself, runs it at once.
  void Call(const std::function<void()>& fn);

  // Runs the calls that wait now. Window thread only; posted there by
  // Call(), and used at shutdown to answer a job that is still running.
  void RunPending();

 private:
  struct Pending {
    std::function<void()> fn;
    bool done = false;
  };

  QObject* window_;
  std::mutex mutex_;
  std::condition_variable doneChanged_;
  std::deque<std::shared_ptr<Pending>> queue_;
};

}  // namespace tr58k
