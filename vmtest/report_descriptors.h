// The HID report descriptors the virtual mouse gives the kernel, one per
// interface: the vendor collection with its two feature reports, a plain
// mouse for the decoy interface, and a bare collection for anything else a
// firmware model may show.
#pragma once

#include <cstdint>
#include <vector>

#include "device/sim/sim_firmware.h"

namespace tr58k {

// Report id and 1040 data bytes each, as the mouse's protocol frames them.
inline constexpr uint8_t kVirtualLongReportId = 0xA0;
inline constexpr uint8_t kVirtualShortReportId = 0xA1;
inline constexpr uint16_t kVirtualReportDataBytes = 1040;

// Input report of the consumer-control collection beside the vendor one.
inline constexpr uint8_t kVirtualConsumerReportId = 0x03;

// Page 0xFF01 usage 2: the application collection with feature reports 0xA0
// and 0xA1, then a consumer-control collection (page 0x0C usage 1) with one
// input report, which makes the kernel give the interface an input device
// and so show its release number without a USB device above it. Page 1 usage 2: a three-button mouse with X, Y and a wheel and
// no feature report. Anything else: an application collection of that page
// and usage holding one vendor input byte. Never empty.
std::vector<uint8_t> ReportDescriptorFor(const SimCollection& collection);

}  // namespace tr58k
