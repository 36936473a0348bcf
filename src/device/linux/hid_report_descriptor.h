// Reads the top-level application collections (and their feature report
// sizes) out of a HID report descriptor, so that a hidraw node can be
// identified from sysfs without opening it.
//
// The descriptor comes from the device and is trusted in nothing: every
// length is checked against the buffer, nesting and the Push stack are
// bounded, and parsing stops at the first item that does not fit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tr58k {

struct HidFeatureReport {
  uint8_t reportId = 0;     // 0 when the device does not number its reports
  uint64_t byteLength = 0;  // bytes on the wire, the report id byte included
};

struct HidTopLevelCollection {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  // Feature reports declared inside this collection, by first appearance.
  std::vector<HidFeatureReport> featureReports;
};

struct HidDescriptorSummary {
  // Every Collection(Application) at depth 0, in descriptor order.
  std::vector<HidTopLevelCollection> collections;
  // False when parsing stopped early: a truncated item, a long item that
  // overruns the buffer, Push/Pop misuse, nesting too deep or a bad report
  // id. The collections found before that point are kept.
  bool complete = true;
};

inline constexpr int kMaxCollectionDepth = 64;
inline constexpr int kMaxGlobalStackDepth = 16;

// Never reads outside data[0..size). data may be null when size is 0.
HidDescriptorSummary ParseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace tr58k
