// What sysfs tells about a hidraw node comes from the device or the kernel:
// the report descriptor (the device's own bytes) and the text attributes
// (uevent, HID_ID, bcdDevice). Each input is given to all four parsers.
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>

#include "device/linux/hid_report_descriptor.h"
#include "device/linux/hidraw_sysfs.h"
#include "fuzz_check.h"

namespace tr58k {
namespace {

// Whether the items fill the bytes exactly, by the item size rule alone:
// a short item is its prefix and 0, 1, 2 or 4 bytes; a long item (0xFE) is
// three bytes and the data size its second byte gives.
bool ItemsFitExactly(const uint8_t* data, size_t size) {
  size_t pos = 0;
  while (pos < size) {
    if (data[pos] == 0xFE) {
      if (size - pos < 3) return false;
      pos += 3 + size_t{data[pos + 1]};
    } else {
      const size_t code = data[pos] & 3;
      pos += 1 + (code == 3 ? 4 : code);
    }
  }
  return pos == size;
}

void CheckDescriptor(const uint8_t* data, size_t size) {
  const HidDescriptorSummary summary = ParseReportDescriptor(data, size);
  if (!ItemsFitExactly(data, size)) {
    FUZZ_CHECK(!summary.complete, "a descriptor cut inside an item was taken as complete");
  }
  // A top-level application collection takes at least its two-byte item.
  FUZZ_CHECK(summary.collections.size() <= size / 2, "more collections than items");
  for (const HidTopLevelCollection& collection : summary.collections) {
    std::set<uint8_t> ids;
    for (const HidFeatureReport& report : collection.featureReports) {
      FUZZ_CHECK(ids.insert(report.reportId).second, "a report id listed twice");
      // Only a numbered report has its id byte on the wire.
      if (report.reportId != 0) FUZZ_CHECK(report.byteLength >= 1, "a numbered report without its id");
    }
  }
  // Parsing is a pure function of the bytes.
  const HidDescriptorSummary again = ParseReportDescriptor(data, size);
  FUZZ_CHECK(again.collections.size() == summary.collections.size() &&
                 again.complete == summary.complete,
             "the same descriptor parsed twice differs");
}

void CheckSysfsText(std::string_view text) {
  if (const auto id = ParseHidId(text)) {
    char canonical[32];
    std::snprintf(canonical, sizeof canonical, "%04X:%08X:%08X", id->bus, id->vendor, id->product);
    const auto reparsed = ParseHidId(canonical);
    FUZZ_CHECK(reparsed && reparsed->bus == id->bus && reparsed->vendor == id->vendor &&
                   reparsed->product == id->product,
               "a parsed HID_ID does not survive being written out again");
  }

  const uint16_t bcd = ParseBcdDevice(text);
  if (bcd != 0) {
    char canonical[8];
    std::snprintf(canonical, sizeof canonical, "%04x\n", bcd);
    FUZZ_CHECK(ParseBcdDevice(canonical) == bcd, "bcdDevice does not survive a round trip");
    FUZZ_CHECK(text.size() <= 5, "bcdDevice taken from a text longer than 4 digits");
  }

  for (std::string_view key : {"HID_ID", "DEVNAME", "DEVTYPE"}) {
    if (const auto value = UeventValue(text, key)) {
      const std::string line = std::string(key) + "=" + *value;
      FUZZ_CHECK(text.find(line) != std::string_view::npos, "a uevent value not in the text");
      FUZZ_CHECK(value->find('\n') == std::string::npos, "a uevent value runs over its line");
    }
  }
  (void)HidrawNumber(text);
}

}  // namespace
}  // namespace tr58k

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tr58k::CheckDescriptor(data, size);
  tr58k::CheckSysfsText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
