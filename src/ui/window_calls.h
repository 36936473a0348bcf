// The thread bridge of a window: posts and calls from other threads run on
// the window's thread, in the order they were made. The queue and the
// waiting use the standard library only; each host supplies the one thing
// that is its own, how to wake its window's thread (a queued event, a
// posted window message), which then calls RunPending there.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tr58k {

class WindowCalls {
 public:
  // `wake` is called on the posting thread once per post or call and must
  // make the window's thread call RunPending() soon; it must not block.
  // Made on the window's thread.
  explicit WindowCalls(std::function<void()> wake);

  // Queues `fn` to run on the window's thread; returns at once. Any thread.
  void Post(std::function<void()> fn);
  // Runs `fn` on the window's thread and returns once it has run. Called on
  // the window's thread itself, runs it at once.
  void Call(const std::function<void()>& fn);

  // Runs the posts and calls that wait now. Window thread only; also used
  // at shutdown to answer a worker that is still running.
  void RunPending();
  // Drops the posts that have not run and makes later ones no-ops (the
  // window is going); calls still run, so no caller waits forever.
  void DropPosts();

  bool OnWindowThread() const { return std::this_thread::get_id() == windowThread_; }

 private:
  struct Pending {
    std::function<void()> fn;
    bool waited = false;
    bool done = false;
  };

  std::function<void()> wake_;
  std::thread::id windowThread_;
  std::mutex mutex_;
  std::condition_variable doneChanged_;
  std::deque<std::shared_ptr<Pending>> queue_;
  bool dropPosts_ = false;
};

}  // namespace tr58k
