// The main window on the real Win32 host against the simulated mouse on a
// manual clock, its profile in the test prefix's AppData: where the
// window's tests under Wine start from.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "device/device_link.h"
#include "device/sim/simulated_firmware_image.h"
#include "device/sim/simulated_mouse.h"
#include "settings/profile_file.h"
#include "testing/fake_clock.h"
#include "testing/win32_dialog_rig.h"

namespace tr58k {

class Win32WindowFixture : public ::testing::Test {
 protected:
  // The mouse, its link and the window, without a profile.
  void MakeWindow() {
    std::remove(DefaultProfilePath().c_str());
    mouse_ = std::make_unique<SimulatedMouse>(clock_);
    link_ = std::make_unique<DeviceLink>(*mouse_, clock_);
    win_ = std::make_unique<CUpdaterDlg>(*link_, ImageForSimulatedUpdate());
  }
  // Runs the window on a rig (see Win32DialogRig for the two functions);
  // returns its dialog, nullptr when none showed.
  HWND Open(std::function<void(Win32DialogHost&)> onCreated = {}, std::function<void()> onThreadStart = {}) {
    rig_ = std::make_unique<Win32DialogRig>(*win_, std::move(onCreated), std::move(onThreadStart));
    HWND dlg = rig_->Dialog();
    EXPECT_NE(dlg, nullptr);
    return dlg;
  }
  bool Idle() { return Win32DialogRig::WaitUntil([&] { return win_->DeviceWorkIdle(); }); }
  // The update window opened from the main window `dlg` once the start-up
  // read is done; nullptr when it did not open.
  HWND OpenUpdateWindow(HWND dlg) {
    if (!dlg || !Idle()) return nullptr;
    rig_->ClickLater(dlg, ctl::kFirmwareUpdate);
    return rig_->WaitForDialog(1);
  }
  void TearDown() override {
    clock_.Release();
    rig_.reset();
    win_.reset();
    link_.reset();
    mouse_.reset();
    std::remove(DefaultProfilePath().c_str());
  }

  TaggedClock clock_;
  std::unique_ptr<SimulatedMouse> mouse_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<CUpdaterDlg> win_;
  std::unique_ptr<Win32DialogRig> rig_;
};

}  // namespace tr58k
