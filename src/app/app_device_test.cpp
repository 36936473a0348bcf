// The window program's device as its main() chooses it: the simulated mouse
// and its image only with --simulate, the real backend, the built-in image
// and the sleep guard otherwise.
#include <gtest/gtest.h>

#include "app/app_device.h"
#include "device/sim/simulated_firmware_image.h"
#include "device/sim/simulated_mouse.h"
#include "firmware/firmware_image.h"

namespace tr58k {
namespace {

TEST(ProgramDevice, TheSimulationComesOnlyWithItsOption) {
  struct Case {
    std::vector<std::string> arguments;
    bool simulated;
    bool plugged;
  };
  const Case cases[] = {
      {{"tr58k-config"}, false, false},
      {{"tr58k-config", "--simulate"}, true, true},
      {{"tr58k-config", "--simulate-unplugged"}, true, false},
      {{"tr58k-config", "--screenshot", "--simulate"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    ProgramDevice device(ParseAppOptions(c.arguments));
    const AppDevice window = device.ForWindow();
    ASSERT_EQ(window.simulated != nullptr, c.simulated);
    EXPECT_EQ(window.link.testImagesAllowed, c.simulated);
    const std::span<const uint8_t> expected =
        c.simulated ? ImageForSimulatedUpdate() : EmbeddedFirmwareImage();
    EXPECT_EQ(window.firmwareImage.data(), expected.data());
    EXPECT_EQ(window.firmwareImage.size(), expected.size());
    // Only a real mouse's update keeps the machine awake.
    EXPECT_EQ(window.sleepInhibitor != nullptr, !c.simulated);
    if (c.simulated) {
      EXPECT_EQ(window.simulated->IsPlugged(), c.plugged);
      EXPECT_EQ(window.link.backend, static_cast<HidBackend*>(window.simulated));
    }
  }
}

}  // namespace
}  // namespace tr58k
