// For tests: a ManualClock, a simulated mouse on it, a link to it that may
// send test images (as the programs' --simulate link may), and the link's
// trace collected line by line.
#pragma once

#include <string>
#include <vector>

#include "device/clock.h"
#include "device/device_link.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

struct SimRig {
  explicit SimRig(SimulatedMouseOptions options = {}) : mouse(clock, options) {
    link.trace = [this](std::string_view line) { trace.emplace_back(line); };
    link.testImagesAllowed = true;
  }

  // The exchanges of one kind the mouse saw.
  size_t Count(SimExchangeKind kind) const {
    size_t n = 0;
    for (const SimExchange& exchange : mouse.Exchanges()) n += exchange.kind == kind;
    return n;
  }

  ManualClock clock;
  SimulatedMouse mouse;
  DeviceLink link{mouse, clock};
  std::vector<std::string> trace;
};

}  // namespace tr58k
