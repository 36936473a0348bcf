#include "testing/window_rig.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "device/config_commands.h"
#include "device/sim/simulated_firmware_image.h"
#include "settings/device_settings.h"
#include "settings/profile_file.h"
#include "testing/sim_requests.h"

namespace tr58k {

WindowRig::WindowRig() {
#ifdef _WIN32
  // The profile is in AppData, of the Wine prefix the tests run in: each
  // test starts and ends without one.
  std::remove(DefaultProfilePath().c_str());
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "tr58k-window-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
  configHome_ = pattern;
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
    hadConfigHome_ = true;
    oldConfigHome_ = old;
  }
  setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
#endif
  mouse = std::make_unique<SimulatedMouse>(clock);
  link = std::make_unique<DeviceLink>(*mouse, clock);
  link->testImagesAllowed = true;
  firmwareImage = ImageForSimulatedUpdate();
}

WindowRig::~WindowRig() {
  clock.Release();
  Close();
  link.reset();
  mouse.reset();
#ifdef _WIN32
  std::remove(DefaultProfilePath().c_str());
#else
  if (hadConfigHome_) {
    setenv("XDG_CONFIG_HOME", oldConfigHome_.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
  std::error_code ignored;
  std::filesystem::remove_all(configHome_, ignored);
#endif
}

CUpdaterDlg& WindowRig::Open(unsigned timerMs, unsigned startupWaitMs) {
  Close();
  window_ = std::make_unique<CUpdaterDlg>(*link, firmwareImage);
  window_->SetTimerPeriodMs(timerMs);
  window_->SetStartupWaitMs(startupWaitMs);
  host_ = std::make_unique<FakeWindowHost>(*window_);
  host_->Init();
  return *window_;
}

void WindowRig::Close() {
  if (host_) host_->Destroy();
  host_.reset();
  window_.reset();
}

void WindowRig::ReadPlugEvents() {
  if (!host_ || !host_->Watched()) return;
  for (const HidEvent& event : host_->Watched()->ReadEvents()) host_->DeviceChange(event.kind, event.path);
}

void WindowRig::Settle() {
  int quietRounds = 0;
  const bool settled = host_->WaitUntil([&] {
    ReadPlugEvents();
    const bool quiet = window_->DeviceWorkIdle();
    quietRounds = quiet ? quietRounds + 1 : 0;
    return quietRounds >= 3;
  }, 20000);
  if (!settled) throw std::runtime_error("the window did not settle");
}

bool WindowRig::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  return host_->WaitUntil([&] {
    ReadPlugEvents();
    return done();
  }, timeoutMs);
}

std::string WindowRig::ProfilePath() const { return DefaultProfilePath(); }

void WindowRig::WriteProfile(const MouseSettings& settings) {
  if (!SaveProfile(settings, ProfilePath())) throw std::runtime_error("profile not written");
}

void WindowRig::SetMouseSettings(const MouseSettings& settings) {
  tr58k::SetMouseSettings(*mouse, settings);
}

std::vector<uint8_t> WindowRig::RequestCommands() const { return tr58k::RequestCommands(*mouse); }

std::vector<uint8_t> WindowRig::WrittenBlock(size_t n) const { return tr58k::WrittenBlock(*mouse, n); }

}  // namespace tr58k
