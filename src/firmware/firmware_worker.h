// Running an update as the update window and tr58kctl do: the probe with the
// texts that follow it, the worker body for the mode found (holding the
// sleep inhibitor), and a worker thread that runs them off the caller's
// thread and refuses to start a second update while one runs.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "device/device_link.h"
#include "firmware/firmware_image.h"
#include "firmware/firmware_transfer.h"
#include "firmware/sleep_inhibitor.h"
#include "firmware/update_reporter.h"
#include "i18n/text_lookup.h"

namespace tr58k {

// The reason the inhibitor lock names (shown through Tr: the desktop shows
// it to the user).
inline constexpr const char* kInhibitReason = N_("The mouse firmware is being updated");

// ProbeUpdateMode and what the window shows after it: not found -> exit
// button enabled and "检测不到TR-58K鼠标，请重试", returns kModeNotFound;
// normal mode -> "固件V%.2f 开始更新" with the version found, returns
// kModeNormal; bootloader -> nothing shown, returns kModeBootloader. The
// link is left as ProbeUpdateMode leaves it.
int ProbeAndAnnounce(DeviceLink& link, FirmwareUpdateReporter& reporter);

// The worker body: holds `inhibitor` (may be null; failing to take it does
// not stop the update), runs UpdateFromNormalMode (kModeNormal) or
// TransferImage (kModeBootloader), and releases it. Any other mode: the
// failure ending of the update. The link is closed on return.
UpdateOutcome RunUpdateWorker(DeviceLink& link, const FirmwareImage& image, int mode,
                              FirmwareUpdateReporter& reporter, SleepInhibitor* inhibitor);

// One update at a time on a thread of its own. The image, the reporter, the
// link and the inhibitor must stay alive until the update has ended (the
// window refuses to close meanwhile). The destructor waits for a running
// update to end.
class FirmwareUpdateWorker {
 public:
  using Finished = std::function<void(const UpdateOutcome&)>;

  FirmwareUpdateWorker() = default;
  ~FirmwareUpdateWorker();
  FirmwareUpdateWorker(const FirmwareUpdateWorker&) = delete;
  FirmwareUpdateWorker& operator=(const FirmwareUpdateWorker&) = delete;

  // Starts RunUpdateWorker for a mode already probed. `finished` (may be
  // empty) runs on the worker thread after the link was closed. Returns
  // false, starting nothing, while an update runs.
  bool Start(DeviceLink& link, const FirmwareImage& image, int mode,
             FirmwareUpdateReporter& reporter, SleepInhibitor* inhibitor, Finished finished);

  // As Start, but the probe runs on the worker too (ProbeAndAnnounce first),
  // so the caller's thread never waits for the bootloader discovery. When
  // the probe finds nothing, `finished` gets a kFailed outcome and no
  // transfer runs.
  bool StartWithProbe(DeviceLink& link, const FirmwareImage& image,
                      FirmwareUpdateReporter& reporter, SleepInhibitor* inhibitor,
                      Finished finished);

  // True from a successful Start until `finished` has returned.
  bool Running() const { return running_.load(); }
  // Waits until the update has ended. Not from within `finished`.
  void Wait();

 private:
  bool Launch(std::function<UpdateOutcome()> body, Finished finished);

  std::mutex mutex_;
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace tr58k
