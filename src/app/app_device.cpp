#include "app/app_device.h"

#include "app/app_platform.h"
#include "device/sim/simulated_firmware_image.h"
#include "device/sim/simulated_mouse.h"
#include "firmware/firmware_image.h"

namespace tr58k {

ProgramDevice::ProgramDevice(const AppOptions& options) {
  if (options.simulate) {
    auto mouse = std::make_unique<SimulatedMouse>(
        clock_, SimulatedMouseOptions{.plugged = !options.simulateUnplugged});
    simulated_ = mouse.get();
    backend_ = std::move(mouse);
    // The built-in image when the build carries one, else a demo image.
    image_ = ImageForSimulatedUpdate();
  } else {
    backend_ = CreatePlatformHidBackend();
    image_ = EmbeddedFirmwareImage();
    // Only a real mouse's update keeps the machine awake.
    inhibitor_ = CreatePlatformSleepInhibitor();
  }
  link_ = std::make_unique<DeviceLink>(*backend_, clock_);
  // Test images may go to the simulated mouse, and only to it.
  link_->testImagesAllowed = simulated_ != nullptr;
}

ProgramDevice::~ProgramDevice() = default;

AppDevice ProgramDevice::ForWindow() {
  return AppDevice{*link_, image_, inhibitor_.get(), simulated_};
}

}  // namespace tr58k
