// Formatting of the link's trace lines, shared by the files of the link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/device_link.h"

namespace tr58k::detail {

// "<verb> <length> <hex bytes>", lower-case hex, single spaces.
std::string FormatReportLine(const char* verb, const uint8_t* data, size_t length);

// Hands `line` to the link's trace when one is set.
void Trace(const DeviceLink& link, const std::string& line);

}  // namespace tr58k::detail
