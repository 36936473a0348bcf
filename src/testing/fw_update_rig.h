// The update window with a record of every report its work made, in order
// ("status <text>", "progress <n>", "exit"), and the build's test images, for
// the update window's tests on any host.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "app/fw_update_dlg.h"

namespace tr58k {

// The test image of `size` bytes the build made (TR58K_TEST_IMAGE_DIR comes
// with tr58k_use_test_images); empty when there is none.
inline std::vector<uint8_t> TestImage(size_t size) {
  std::ifstream in(std::string(TR58K_TEST_IMAGE_DIR) + "/test_image_" + std::to_string(size) + ".bin",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordingFwUpdate final : public CFwUpdate {
 public:
  using CFwUpdate::CFwUpdate;
  void SetStatusText(const std::string& text) override {
    Record("status " + text);
    CFwUpdate::SetStatusText(text);
  }
  void SetProgress(int position) override {
    Record("progress " + std::to_string(position));
    CFwUpdate::SetProgress(position);
  }
  void EnableExitButton() override {
    Record("exit");
    CFwUpdate::EnableExitButton();
  }
  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<int> Progress() const {
    std::vector<int> out;
    for (const std::string& e : Events()) {
      if (e.rfind("progress ", 0) == 0) out.push_back(std::stoi(e.substr(9)));
    }
    return out;
  }

 private:
  void Record(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace tr58k
