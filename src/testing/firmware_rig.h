// Shared by the firmware tests: a reporter that records what the transfer
// shows, the build's test images, and a simulated mouse with an observable
// bootloader on a ManualClock.
#pragma once

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/sim/bootloader_firmware.h"
#include "firmware/firmware_image.h"
#include "firmware/update_reporter.h"
#include "testing/sim_rig.h"

namespace tr58k {

// Every call as one line: "status <text>", "progress <n>", "exit".
class RecordingReporter final : public FirmwareUpdateReporter {
 public:
  void SetStatusText(const std::string& text) override { Record("status " + text); }
  void SetProgress(int position) override { Record("progress " + std::to_string(position)); }
  void EnableExitButton() override { Record("exit"); }

  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<int> Progress() const {
    std::vector<int> positions;
    for (const std::string& e : Events()) {
      if (e.rfind("progress ", 0) == 0) positions.push_back(std::stoi(e.substr(9)));
    }
    return positions;
  }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> texts;
    for (const std::string& e : Events()) {
      if (e.rfind("status ", 0) == 0) texts.push_back(e.substr(7));
    }
    return texts;
  }
  // Runs after each recorded call (a test pulls the cable from here).
  std::function<void(const std::string&)> onEvent;

 private:
  void Record(const std::string& event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(event);
    }
    if (onEvent) onEvent(event);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

// The bytes of the build's test image of `size` bytes (21504, 1500, 3072,
// 122881).
inline std::vector<uint8_t> TestImageBytes(size_t size) {
  std::ifstream in(std::string(TR58K_TEST_IMAGE_DIR) + "/test_image_" + std::to_string(size) +
                       ".bin",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A mouse in normal mode (or its bootloader), whose bootloader the test can
// watch, and an image loaded from a test image.
struct FirmwareRig {
  explicit FirmwareRig(SimBootloaderOptions bootOptions = {}, SimulatedMouseOptions mouse = {})
      : rig(mouse) {
    auto firmware = std::make_unique<BootloaderFirmware>(bootOptions);
    boot = firmware.get();
    rig.mouse.SetFirmware(MouseMode::kBootloader, std::move(firmware));
  }
  bool Load(size_t size) {
    RecordingReporter ignored;
    return LoadFirmwareImage(*image, TestImageBytes(size), ignored) == 1;
  }
  bool LinkClosed() const { return !rig.link.handle && rig.link.connected == 0; }
  // Requests that reached the mouse with command `code` (byte 1).
  size_t RequestsOf(uint8_t code) const {
    size_t n = 0;
    for (const auto& r : rig.mouse.Requests()) n += r.size() > 1 && r[1] == code;
    return n;
  }

  SimRig rig;
  BootloaderFirmware* boot = nullptr;  // owned by the mouse
  std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
  RecordingReporter reporter;
};

}  // namespace tr58k
