// The HID report descriptors the virtual mouse gives the kernel, one per
// interface: the vendor collection with its two feature reports, a plain
// mouse for the decoy interface, and a bare collection for anything else a
// firmware model may show.
#pragma once

#include <cstdint>
#include <vector>

#include "device/sim/sim_firmware.h"

namespace tr58k {

// The lengths the mouse declares, report id included: 1041 bytes for 0xA0
// and, by default, 64 for 0xA1. Windows checks a feature buffer against the
// declared length of its report (shorter fails with error 87, longer passes,
// a set sends the declared length), so the 64-byte requests of 0xA1 pass
// as they are only then; the 1041-byte reads of 0xA1 work there either way,
// and Linux checks nothing. A mouse may also declare 0xA1 at the long
// form's 1041 bytes (kVirtualLongReportDataBytes for both).
inline constexpr uint8_t kVirtualLongReportId = 0xA0;
inline constexpr uint8_t kVirtualShortReportId = 0xA1;
inline constexpr uint16_t kVirtualLongReportDataBytes = 1040;
inline constexpr uint16_t kVirtualShortReportDataBytes = 63;

// Input report of the consumer-control collection beside the vendor one.
inline constexpr uint8_t kVirtualConsumerReportId = 0x03;

// Page 0xFF01 usage 2: the application collection with feature reports 0xA0
// and 0xA1 (0xA1 with `shortReportDataBytes`), then a consumer-control
// collection (page 0x0C usage 1) with one
// input report, which makes the kernel give the interface an input device
// and so show its release number without a USB device above it. Page 1 usage 2: a three-button mouse with X, Y and a wheel and
// no feature report. Anything else: an application collection of that page
// and usage holding one vendor input byte. Never empty.
std::vector<uint8_t> ReportDescriptorFor(
    const SimCollection& collection, uint16_t shortReportDataBytes = kVirtualShortReportDataBytes);

}  // namespace tr58k
