#include "device/linux/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "testing/fake_report_descriptors.h"

namespace tr58k {
namespace {

HidDescriptorSummary Parse(const std::vector<uint8_t>& bytes) {
  return ParseReportDescriptor(bytes.data(), bytes.size());
}

std::vector<std::pair<uint16_t, uint16_t>> Usages(const HidDescriptorSummary& summary) {
  std::vector<std::pair<uint16_t, uint16_t>> usages;
  for (const auto& c : summary.collections) usages.emplace_back(c.usagePage, c.usage);
  return usages;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

using UsageList = std::vector<std::pair<uint16_t, uint16_t>>;

TEST(ReportDescriptor, StandardDescriptorsGiveTheirTopLevelCollections) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    UsageList expected;
  };
  const Case cases[] = {
      {"boot mouse", BootMouseDescriptor(), {{0x0001, 0x0002}}},
      {"keyboard", KeyboardDescriptor(), {{0x0001, 0x0006}}},
      {"vendor", VendorDescriptor(), {{0xFF01, 0x0002}}},
      {"composite", CompositeDescriptor(), {{0x0001, 0x0002}, {0x000C, 0x0001}, {0xFF01, 0x0002}}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    const HidDescriptorSummary summary = Parse(c.bytes);
    EXPECT_EQ(Usages(summary), c.expected) << c.name;
    EXPECT_TRUE(summary.complete) << c.name;
  }
}

TEST(ReportDescriptor, VendorFeatureReportsAre1041BytesWithTheirId) {
  const HidDescriptorSummary summary = Parse(VendorDescriptor());
  ASSERT_EQ(summary.collections.size(), 1u);
  const auto& reports = summary.collections[0].featureReports;
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].reportId, 0xA0);
  EXPECT_EQ(reports[0].byteLength, 1041u);
  EXPECT_EQ(reports[1].reportId, 0xA1);
  EXPECT_EQ(reports[1].byteLength, 1041u);
}

TEST(ReportDescriptor, FeatureReportsBelongToTheirOwnCollection) {
  const HidDescriptorSummary summary = Parse(CompositeDescriptor());
  ASSERT_EQ(summary.collections.size(), 3u);
  EXPECT_TRUE(summary.collections[0].featureReports.empty());  // inputs only
  EXPECT_TRUE(summary.collections[1].featureReports.empty());
  EXPECT_EQ(summary.collections[2].featureReports.size(), 2u);
}

TEST(ReportDescriptor, UnnumberedFeatureBitsRoundUpWithoutAnIdByte) {
  // 3 bits + 5 bits + 4 bits of feature data, no report id: 12 bits, 2 bytes.
  const HidDescriptorSummary summary =
      Parse({0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x03, 0xB1, 0x02,
             0x75, 0x05, 0x95, 0x01, 0xB1, 0x01, 0x75, 0x04, 0xB1, 0x01, 0xC0});
  ASSERT_EQ(summary.collections.size(), 1u);
  ASSERT_EQ(summary.collections[0].featureReports.size(), 1u);
  EXPECT_EQ(summary.collections[0].featureReports[0].reportId, 0);
  EXPECT_EQ(summary.collections[0].featureReports[0].byteLength, 2u);
}

TEST(ReportDescriptor, UsageResolution) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    UsageList expected;
  };
  const Case cases[] = {
      // A 4-byte usage carries its page and overrides the Usage Page item.
      {"extended usage", {0x05, 0x01, 0x0B, 0x02, 0x00, 0x01, 0xFF, 0xA1, 0x01, 0xC0},
       {{0xFF01, 0x0002}}},
      // A short usage takes the page in force at the Collection item.
      {"page after usage", {0x09, 0x02, 0x06, 0x01, 0xFF, 0xA1, 0x01, 0xC0}, {{0xFF01, 0x0002}}},
      // Only the first usage names the collection.
      {"two usages", {0x05, 0x01, 0x09, 0x02, 0x09, 0x06, 0xA1, 0x01, 0xC0}, {{0x0001, 0x0002}}},
      // Local items do not outlive their main item.
      {"usage cleared by main item",
       {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0, 0xA1, 0x01, 0xC0}, {{1, 2}, {1, 0}}},
      // Push saves the page, Pop restores it.
      {"push pop", {0x05, 0x01, 0xA4, 0x06, 0x00, 0xFF, 0xB4, 0x09, 0x02, 0xA1, 0x01, 0xC0},
       {{0x0001, 0x0002}}},
      // Only application collections at depth 0 count.
      {"logical at top, application nested",
       {0x05, 0x01, 0x09, 0x02, 0xA1, 0x02, 0x09, 0x06, 0xA1, 0x01, 0xC0, 0xC0}, {}},
      // Reserved short items and a fitting long item are skipped.
      {"reserved and long items",
       {0xFE, 0x03, 0x10, 0xA1, 0xA1, 0xA1, 0x0D, 0x55, 0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0xC0},
       {{0x0001, 0x0002}}},
  };
  for (const Case& c : cases) {
    const HidDescriptorSummary summary = Parse(c.bytes);
    EXPECT_EQ(Usages(summary), c.expected) << c.name;
    EXPECT_TRUE(summary.complete) << c.name;
  }
}

TEST(ReportDescriptor, EveryTruncationOfTheVendorDescriptorIsSafe) {
  const std::vector<uint8_t> full = VendorDescriptor();
  std::vector<size_t> boundaries = {0};
  for (size_t size : VendorDescriptorItemSizes()) boundaries.push_back(boundaries.back() + size);
  ASSERT_EQ(boundaries.back(), full.size());
  const size_t afterCollection = 3 + 2 + 2;
  for (size_t length = 0; length <= full.size(); ++length) {
    // An exact-size copy, so any read past the end is a heap overflow.
    const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(length));
    const HidDescriptorSummary summary = Parse(cut);
    const bool atBoundary =
        std::find(boundaries.begin(), boundaries.end(), length) != boundaries.end();
    EXPECT_EQ(summary.complete, atBoundary) << "length " << length;
    EXPECT_EQ(summary.collections.size(), length >= afterCollection ? 1u : 0u) << length;
  }
}

TEST(ReportDescriptor, HostileDescriptorsStopWithoutOverrunning) {
  std::vector<uint8_t> pushes(kMaxGlobalStackDepth, 0xA4);
  std::vector<uint8_t> pops(kMaxGlobalStackDepth, 0xB4);
  std::vector<uint8_t> nested;
  for (int i = 0; i < kMaxCollectionDepth; ++i) nested.insert(nested.end(), {0xA1, 0x00});
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool complete;
    size_t collections;
  };
  const Case cases[] = {
      {"long item overruns", Concat({0xFE, 0xFF, 0x00, 0x01, 0x02}, VendorDescriptor()), false, 0},
      {"long item header cut", {0xFE, 0x02}, false, 0},
      {"long item fits exactly", Concat(VendorDescriptor(), {0xFE, 0x02, 0x00, 0xAA, 0xBB}), true, 1},
      {"4-byte item cut", Concat(VendorDescriptor(), {0x07, 0x01, 0x02}), false, 1},
      {"push limit reached", Concat(Concat(pushes, pops), VendorDescriptor()), true, 1},
      {"push overflow", Concat(Concat(pushes, {0xA4}), VendorDescriptor()), false, 0},
      {"pop underflow", Concat({0xB4}, VendorDescriptor()), false, 0},
      {"nesting limit reached", Concat(nested, {0xA1, 0x00}), false, 0},
      {"stray end collection", Concat(VendorDescriptor(), Concat({0xC0}, VendorDescriptor())), false, 1},
      {"report id 0", {0x06, 0x01, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x00, 0xC0}, false, 1},
      {"report id above 255", {0x06, 0x01, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}, false, 1},
      // Unclosed collections are kept: what was declared is still known.
      {"unclosed collection", {0x06, 0x01, 0xFF, 0x09, 0x02, 0xA1, 0x01}, true, 1},
  };
  for (const Case& c : cases) {
    const HidDescriptorSummary summary = Parse(c.bytes);
    EXPECT_EQ(summary.complete, c.complete) << c.name;
    EXPECT_EQ(summary.collections.size(), c.collections) << c.name;
  }
  EXPECT_EQ(ParseReportDescriptor(nullptr, 16).collections.size(), 0u);
}

TEST(ReportDescriptor, HugeReportSizesSaturateInsteadOfWrapping) {
  // Report Size and Report Count 0xFFFFFFFF, declared twice.
  const std::vector<uint8_t> bytes = {0x06, 0x01, 0xFF, 0x09, 0x02, 0xA1, 0x01,
                                      0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF,
                                      0xB1, 0x02, 0xB1, 0x02, 0xB1, 0x02, 0xC0};
  const HidDescriptorSummary summary = Parse(bytes);
  ASSERT_EQ(summary.collections.size(), 1u);
  ASSERT_EQ(summary.collections[0].featureReports.size(), 1u);
  const uint64_t oneItemBytes = (uint64_t{0xFFFFFFFF} * 0xFFFFFFFF + 7) / 8;
  EXPECT_GE(summary.collections[0].featureReports[0].byteLength, oneItemBytes);
}

TEST(ReportDescriptor, RandomAndMutatedBytesNeverReadOutOfBounds) {
  // Meant to run under AddressSanitizer as well; here it checks the
  // invariants that hold for any input.
  std::mt19937 random(0x7258);
  const std::vector<uint8_t> base = CompositeDescriptor();
  for (int round = 0; round < 4000; ++round) {
    std::vector<uint8_t> bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 80);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    } else {
      bytes = base;
      for (int flips = 1 + random() % 6; flips > 0; --flips) {
        bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
      }
      bytes.resize(random() % (bytes.size() + 1));
    }
    const HidDescriptorSummary summary = Parse(bytes);
    size_t collectionItems = 0;
    for (uint8_t b : bytes) collectionItems += (b & 0xFC) == 0xA0 ? 1 : 0;
    ASSERT_LE(summary.collections.size(), collectionItems) << "round " << round;
  }
}

}  // namespace
}  // namespace tr58k
