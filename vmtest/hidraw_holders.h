// Who still holds a hidraw node open. The virtual mouse uses it to let a
// host's HID stack finish with a removed interface before the bus changes
// again (Wine's HID bus loses devices when a removal overlaps the next
// arrival or removal).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tr58k {

// The device number of the hidraw node whose HID device has this HID_PHYS
// (as uhid's phys field sets it), looked up under `sysfsRoot` (normally "/sys").
// Returns nullopt when no hidraw node has it, e.g. before the kernel made one.
std::optional<dev_t> HidrawNodeWithPhys(const std::string& sysfsRoot, const std::string& phys);

// Whether any process under `procRoot` (normally "/proc") has a file open
// that is the character device `node`. Processes that vanish while being
// looked at, or whose descriptors cannot be read, count as not holding it.
bool CharDeviceHeldOpen(const std::string& procRoot, dev_t node);

// Polls CharDeviceHeldOpen every 20 ms of real time. Returns true once no
// process holds `node`, false when it is still held after `timeoutMs`.
bool WaitUntilReleased(const std::string& procRoot, dev_t node, uint32_t timeoutMs);

}  // namespace tr58k
