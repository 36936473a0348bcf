// Where the window program starts: the mouse the window works on, chosen
// from the options. With --simulate it is the simulated mouse on the real
// clock (its cable out with --simulate-unplugged), whose link takes test
// images and whose update sends the simulated update's image, with nothing
// keeping the machine awake. Otherwise it is the platform's backend, the
// image built into the program and the platform's sleep guard. The window
// logic (tr58k_app) gets only the AppDevice and never links the simulation;
// this library does, for the programs' main().
#pragma once

#include <memory>

#include "app/updater_app.h"
#include "device/clock.h"
#include "device/device_link.h"

namespace tr58k {

class ProgramDevice {
 public:
  explicit ProgramDevice(const AppOptions& options);
  ~ProgramDevice();
  ProgramDevice(const ProgramDevice&) = delete;
  ProgramDevice& operator=(const ProgramDevice&) = delete;

  // Valid while this object lives.
  AppDevice ForWindow();

 private:
  SystemClock clock_;
  SimulatedMouse* simulated_ = nullptr;  // owned through backend_
  std::unique_ptr<HidBackend> backend_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<SleepInhibitor> inhibitor_;
  std::span<const uint8_t> image_;
};

}  // namespace tr58k
