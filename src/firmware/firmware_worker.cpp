#include "firmware/firmware_worker.h"

#include "firmware/firmware_messages.h"

namespace tr58k {

int ProbeAndAnnounce(DeviceLink& link, FirmwareUpdateReporter& reporter) {
  int mode = kModeNotFound;
  if (ProbeUpdateMode(link, mode) != 1) {
    reporter.EnableExitButton();
    reporter.SetStatusText(Tr(kMouseNotDetectedText));
    return kModeNotFound;
  }
  if (mode == kModeNormal) {
    reporter.SetStatusText(UpdateStartText(ReadFirmwareVersion(link)));
  }
  return mode;
}

UpdateOutcome RunUpdateWorker(DeviceLink& link, const FirmwareImage& image, int mode,
                              FirmwareUpdateReporter& reporter, SleepInhibitor* inhibitor) {
  ScopedSleepInhibit inhibit(inhibitor, Tr(kInhibitReason));
  UpdateOutcome outcome;
  if (mode == kModeNormal) {
    UpdateFromNormalMode(link, image, reporter, &outcome);
  } else if (mode == kModeBootloader) {
    TransferImage(link, image, reporter, &outcome);
  } else {
    reporter.EnableExitButton();
    reporter.SetStatusText(Tr(kUpdateErrorText));
    CloseHidDevice(link);
  }
  return outcome;
}

FirmwareUpdateWorker::~FirmwareUpdateWorker() { Wait(); }

bool FirmwareUpdateWorker::Start(DeviceLink& link, const FirmwareImage& image, int mode,
                                 FirmwareUpdateReporter& reporter, SleepInhibitor* inhibitor,
                                 Finished finished) {
  return Launch(
      [&link, &image, mode, &reporter, inhibitor] {
        return RunUpdateWorker(link, image, mode, reporter, inhibitor);
      },
      std::move(finished));
}

bool FirmwareUpdateWorker::StartWithProbe(DeviceLink& link, const FirmwareImage& image,
                                          FirmwareUpdateReporter& reporter,
                                          SleepInhibitor* inhibitor, Finished finished) {
  return Launch(
      [&link, &image, &reporter, inhibitor] {
        const int mode = ProbeAndAnnounce(link, reporter);
        if (mode == kModeNotFound) return UpdateOutcome{};
        return RunUpdateWorker(link, image, mode, reporter, inhibitor);
      },
      std::move(finished));
}

bool FirmwareUpdateWorker::Launch(std::function<UpdateOutcome()> body, Finished finished) {
  std::lock_guard lock(mutex_);
  if (running_.load()) return false;
  // The previous update's thread has finished its work; collect it.
  if (thread_.joinable()) thread_.join();
  running_.store(true);
  thread_ = std::thread([this, body = std::move(body), finished = std::move(finished)] {
    const UpdateOutcome outcome = body();
    if (finished) finished(outcome);
    running_.store(false);
  });
  return true;
}

void FirmwareUpdateWorker::Wait() {
  // Joined outside the lock, so that a `finished` that tries to start again
  // is refused rather than blocked.
  std::thread ended;
  {
    std::lock_guard lock(mutex_);
    ended = std::move(thread_);
  }
  if (ended.joinable()) ended.join();
}

}  // namespace tr58k
