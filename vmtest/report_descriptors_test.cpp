#include "vmtest/report_descriptors.h"

#include <gtest/gtest.h>

#include "device/linux/hid_report_descriptor.h"

namespace tr58k {
namespace {

HidDescriptorSummary Parse(const SimCollection& c,
                           uint16_t shortReportDataBytes = kVirtualShortReportDataBytes) {
  const std::vector<uint8_t> d = ReportDescriptorFor(c, shortReportDataBytes);
  return ParseReportDescriptor(d.data(), d.size());
}

TEST(ReportDescriptorsTest, VendorInterfaceDeclaresTheLengthsWindowsChecksThenMediaKeys) {
  // 0xA1 at the long form's length, as a mouse may declare it.
  const HidDescriptorSummary longA1 = Parse({0xFF01, 0x0002}, kVirtualLongReportDataBytes);
  ASSERT_EQ(longA1.collections.size(), 2u);
  ASSERT_EQ(longA1.collections[0].featureReports.size(), 2u);
  EXPECT_EQ(longA1.collections[0].featureReports[0].byteLength, 1041u);
  EXPECT_EQ(longA1.collections[0].featureReports[1].reportId, 0xA1);
  EXPECT_EQ(longA1.collections[0].featureReports[1].byteLength, 1041u);

  const HidDescriptorSummary summary = Parse({0xFF01, 0x0002});
  EXPECT_TRUE(summary.complete);
  ASSERT_EQ(summary.collections.size(), 2u);
  EXPECT_EQ(summary.collections[1].usagePage, 0x000C);
  EXPECT_EQ(summary.collections[1].usage, 0x0001);
  EXPECT_TRUE(summary.collections[1].featureReports.empty());
  const HidTopLevelCollection& c = summary.collections[0];
  EXPECT_EQ(c.usagePage, 0xFF01);
  EXPECT_EQ(c.usage, 0x0002);
  ASSERT_EQ(c.featureReports.size(), 2u);
  EXPECT_EQ(c.featureReports[0].reportId, 0xA0);
  EXPECT_EQ(c.featureReports[0].byteLength, 1041u);
  EXPECT_EQ(c.featureReports[1].reportId, 0xA1);
  EXPECT_EQ(c.featureReports[1].byteLength, 64u);
}

TEST(ReportDescriptorsTest, OtherCollectionsShowTheirPageAndUsageWithoutFeatureReports) {
  struct Case {
    SimCollection collection;
  };
  for (const Case& t : {Case{{0x0001, 0x0002}}, Case{{0x000C, 0x0001}}, Case{{0xFF00, 0x1234}}}) {
    const HidDescriptorSummary summary = Parse(t.collection);
    EXPECT_TRUE(summary.complete);
    ASSERT_EQ(summary.collections.size(), 1u);
    EXPECT_EQ(summary.collections[0].usagePage, t.collection.usagePage);
    EXPECT_EQ(summary.collections[0].usage, t.collection.usage);
    EXPECT_TRUE(summary.collections[0].featureReports.empty());
  }
}

}  // namespace
}  // namespace tr58k
