// Plug and unplug events of the simulated mouse behind a real pollable file
// descriptor (a pipe, where the platform has one), so a window watches it as
// it watches the system's device monitor; and through a callback for hosts
// that watch no descriptor.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "device/hid_backend.h"

namespace tr58k {

// One subscriber's queue. The mouse posts to it; the monitor drains it.
class SimEventChannel {
 public:
  // nullptr when no pipe could be made.
  // Windows has no pollable pipe: there the channel has no descriptor
  // (ReadFd() -1) and wakes its reader through the callback only.
  static std::shared_ptr<SimEventChannel> Create();
  ~SimEventChannel();
  SimEventChannel(const SimEventChannel&) = delete;
  SimEventChannel& operator=(const SimEventChannel&) = delete;

  void Post(const HidEvent& event);
  std::vector<HidEvent> Drain();
  int ReadFd() const { return readFd_; }
  void SetEventsWaitingCallback(std::function<void()> callback);

 private:
  SimEventChannel(int readFd, int writeFd) : readFd_(readFd), writeFd_(writeFd) {}
  std::mutex mutex_;
  std::vector<HidEvent> queue_;
  std::function<void()> eventsWaiting_;
  int readFd_;
  int writeFd_;
};

class SimMonitor final : public HidMonitor {
 public:
  // `beforeRead` runs before each drain (the mouse catches up with its clock
  // there, so a mouse due back posts its arrival first).
  SimMonitor(std::shared_ptr<SimEventChannel> channel, std::function<void()> beforeRead)
      : channel_(std::move(channel)), beforeRead_(std::move(beforeRead)) {}
  int PollFd() const override { return channel_->ReadFd(); }
  void SetEventsWaitingCallback(std::function<void()> callback) override {
    channel_->SetEventsWaitingCallback(std::move(callback));
  }
  std::vector<HidEvent> ReadEvents() override;

 private:
  std::shared_ptr<SimEventChannel> channel_;
  std::function<void()> beforeRead_;
};

}  // namespace tr58k
