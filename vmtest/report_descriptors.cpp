#include "vmtest/report_descriptors.h"

namespace tr58k {
namespace {

constexpr uint16_t kGenericDesktop = 0x0001;
constexpr uint16_t kMouseUsage = 0x0002;
constexpr uint16_t kConsumer = 0x000C;

// Short items: tag byte (tag | type | size code) and 0, 1 or 2 data bytes.
void Item(std::vector<uint8_t>& d, uint8_t prefix, uint32_t value, int bytes) {
  const uint8_t sizeCode = bytes == 0 ? 0 : bytes == 1 ? 1 : bytes == 2 ? 2 : 3;
  d.push_back(static_cast<uint8_t>(prefix | sizeCode));
  for (int i = 0; i < bytes; ++i) d.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

constexpr uint8_t kUsagePage = 0x04;
constexpr uint8_t kUsage = 0x08;
constexpr uint8_t kCollection = 0xA0;
constexpr uint8_t kEndCollection = 0xC0;
constexpr uint8_t kReportId = 0x84;
constexpr uint8_t kReportSize = 0x74;
constexpr uint8_t kReportCount = 0x94;
constexpr uint8_t kLogicalMin = 0x14;
constexpr uint8_t kLogicalMax = 0x24;
constexpr uint8_t kUsageMin = 0x18;
constexpr uint8_t kUsageMax = 0x28;
constexpr uint8_t kInput = 0x80;
constexpr uint8_t kFeature = 0xB0;
constexpr uint8_t kApplication = 0x01;
constexpr uint8_t kPhysical = 0x00;

int Width(uint32_t value) { return value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : 4; }

void Page(std::vector<uint8_t>& d, uint16_t page) { Item(d, kUsagePage, page, Width(page)); }

void FeatureBytes(std::vector<uint8_t>& d, uint8_t reportId, uint8_t usage, uint16_t dataBytes) {
  Item(d, kReportId, reportId, 1);
  Item(d, kUsage, usage, 1);
  Item(d, kLogicalMin, 0, 1);
  Item(d, kLogicalMax, 0xFF, 2);  // 255 needs two bytes: one would read as -1
  Item(d, kReportSize, 8, 1);
  Item(d, kReportCount, dataBytes, 2);
  Item(d, kFeature, 0x02, 1);  // data, variable, absolute
}

std::vector<uint8_t> VendorDescriptor(const SimCollection& c, uint16_t shortReportDataBytes) {
  std::vector<uint8_t> d;
  Page(d, c.usagePage);
  Item(d, kUsage, c.usage, Width(c.usage));
  Item(d, kCollection, kApplication, 1);
  FeatureBytes(d, kVirtualLongReportId, 0x03, kVirtualLongReportDataBytes);
  FeatureBytes(d, kVirtualShortReportId, 0x04, shortReportDataBytes);
  Item(d, kEndCollection, 0, 0);
  // The media keys beside it, as on gaming mice's second interface: they give
  // the interface an input device, where the kernel shows its release number.
  Page(d, kConsumer);
  Item(d, kUsage, 0x01, 1);  // consumer control
  Item(d, kCollection, kApplication, 1);
  Item(d, kReportId, kVirtualConsumerReportId, 1);
  Item(d, kLogicalMin, 0, 1);
  Item(d, kLogicalMax, 0x03FF, 2);
  Item(d, kUsageMin, 0, 1);
  Item(d, kUsageMax, 0x03FF, 2);
  Item(d, kReportSize, 16, 1);
  Item(d, kReportCount, 1, 1);
  Item(d, kInput, 0x00, 1);  // data, array, absolute
  Item(d, kEndCollection, 0, 0);
  return d;
}

std::vector<uint8_t> MouseDescriptor() {
  std::vector<uint8_t> d;
  Page(d, kGenericDesktop);
  Item(d, kUsage, kMouseUsage, 1);
  Item(d, kCollection, kApplication, 1);
  Item(d, kUsage, 0x01, 1);  // pointer
  Item(d, kCollection, kPhysical, 1);
  Page(d, 0x0009);  // buttons 1 to 3
  Item(d, kUsageMin, 1, 1);
  Item(d, kUsageMax, 3, 1);
  Item(d, kLogicalMin, 0, 1);
  Item(d, kLogicalMax, 1, 1);
  Item(d, kReportCount, 3, 1);
  Item(d, kReportSize, 1, 1);
  Item(d, kInput, 0x02, 1);
  Item(d, kReportCount, 1, 1);
  Item(d, kReportSize, 5, 1);
  Item(d, kInput, 0x01, 1);  // padding
  Page(d, kGenericDesktop);
  Item(d, kUsage, 0x30, 1);  // X
  Item(d, kUsage, 0x31, 1);  // Y
  Item(d, kUsage, 0x38, 1);  // wheel
  Item(d, kLogicalMin, 0x81, 1);
  Item(d, kLogicalMax, 0x7F, 1);
  Item(d, kReportSize, 8, 1);
  Item(d, kReportCount, 3, 1);
  Item(d, kInput, 0x06, 1);  // data, variable, relative
  Item(d, kEndCollection, 0, 0);
  Item(d, kEndCollection, 0, 0);
  return d;
}

std::vector<uint8_t> BareDescriptor(const SimCollection& c) {
  std::vector<uint8_t> d;
  Page(d, c.usagePage);
  Item(d, kUsage, c.usage, Width(c.usage));
  Item(d, kCollection, kApplication, 1);
  Item(d, kUsage, 0x01, 1);
  Item(d, kLogicalMin, 0, 1);
  Item(d, kLogicalMax, 0xFF, 2);
  Item(d, kReportSize, 8, 1);
  Item(d, kReportCount, 1, 1);
  Item(d, kInput, 0x02, 1);
  Item(d, kEndCollection, 0, 0);
  return d;
}

}  // namespace

std::vector<uint8_t> ReportDescriptorFor(const SimCollection& collection,
                                         uint16_t shortReportDataBytes) {
  if (collection.usagePage == 0xFF01 && collection.usage == 0x0002) {
    return VendorDescriptor(collection, shortReportDataBytes);
  }
  if (collection.usagePage == kGenericDesktop && collection.usage == kMouseUsage) {
    return MouseDescriptor();
  }
  return BareDescriptor(collection);
}

}  // namespace tr58k
