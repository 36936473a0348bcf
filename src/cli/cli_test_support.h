// The window's fault tests still include this name; the helpers live in
// testing/cli_rig.h. Goes once those tests include that.
#pragma once

#include "testing/cli_rig.h"

namespace tr58k::testing_support {
using tr58k::ReadBytes;
using tr58k::TempConfigHome;
using tr58k::WriteBytes;
}  // namespace tr58k::testing_support
