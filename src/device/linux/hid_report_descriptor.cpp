#include "device/linux/hid_report_descriptor.h"

#include <limits>

namespace tr58k {
namespace {

// Item prefix: bits 0-1 size code (0, 1, 2 or 4 bytes), bits 2-3 type,
// bits 4-7 tag. 0xFE opens a long item: data size, long tag, data.
constexpr uint8_t kLongItemPrefix = 0xFE;

constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kTypeLocal = 2;

constexpr uint8_t kMainFeature = 0xB;
constexpr uint8_t kMainCollection = 0xA;
constexpr uint8_t kMainEndCollection = 0xC;

constexpr uint8_t kGlobalUsagePage = 0x0;
constexpr uint8_t kGlobalReportSize = 0x7;
constexpr uint8_t kGlobalReportId = 0x8;
constexpr uint8_t kGlobalReportCount = 0x9;
constexpr uint8_t kGlobalPush = 0xA;
constexpr uint8_t kGlobalPop = 0xB;

constexpr uint8_t kLocalUsage = 0x0;

constexpr uint32_t kCollectionApplication = 0x01;

struct GlobalState {
  uint32_t usagePage = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

// Only the first Usage before a main item matters here (a collection's
// usage); a 4-byte usage carries its own page in the high 16 bits.
struct LocalState {
  bool hasUsage = false;
  bool carriesPage = false;
  uint32_t usage = 0;
};

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max()
                                                      : a + b;
}

// While parsing, byteLength holds the report's size in bits.
void AddFeatureBits(HidTopLevelCollection& collection, uint8_t reportId, uint64_t bits) {
  for (HidFeatureReport& report : collection.featureReports) {
    if (report.reportId == reportId) {
      report.byteLength = SaturatingAdd(report.byteLength, bits);
      return;
    }
  }
  collection.featureReports.push_back({reportId, bits});
}

void BitsToBytes(HidDescriptorSummary& summary) {
  for (HidTopLevelCollection& collection : summary.collections) {
    for (HidFeatureReport& report : collection.featureReports) {
      const uint64_t bits = report.byteLength;
      report.byteLength = bits / 8 + (bits % 8 != 0 ? 1 : 0) + (report.reportId != 0 ? 1 : 0);
    }
  }
}

}  // namespace

HidDescriptorSummary ParseReportDescriptor(const uint8_t* data, size_t size) {
  HidDescriptorSummary summary;
  if (data == nullptr) size = 0;

  GlobalState global;
  std::vector<GlobalState> globalStack;
  LocalState local;
  int depth = 0;
  // Index into summary.collections of the top-level collection we are in,
  // or -1 outside any (or inside a non-application one).
  long current = -1;

  size_t pos = 0;
  while (pos < size) {
    const uint8_t prefix = data[pos];
    const size_t left = size - pos;
    if (prefix == kLongItemPrefix) {
      // No long item tags are defined; skip it when its length fits.
      if (left < 3 || left - 3 < data[pos + 1]) {
        summary.complete = false;
        break;
      }
      pos += 3 + size_t{data[pos + 1]};
      continue;
    }
    const size_t dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (left - 1 < dataSize) {
      summary.complete = false;
      break;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < dataSize; ++i) value |= uint32_t{data[pos + 1 + i]} << (8 * i);
    pos += 1 + dataSize;

    const uint8_t type = (prefix >> 2) & 3;
    const uint8_t tag = prefix >> 4;
    bool stop = false;
    if (type == kTypeMain) {
      if (tag == kMainCollection) {
        if (depth >= kMaxCollectionDepth) {
          stop = true;
        } else {
          if (depth == 0 && value == kCollectionApplication) {
            HidTopLevelCollection collection;
            const uint32_t page = local.carriesPage ? local.usage >> 16 : global.usagePage;
            collection.usagePage = static_cast<uint16_t>(page);
            collection.usage = static_cast<uint16_t>(local.usage & 0xFFFF);
            summary.collections.push_back(std::move(collection));
            current = static_cast<long>(summary.collections.size()) - 1;
          }
          ++depth;
        }
      } else if (tag == kMainEndCollection) {
        if (depth == 0) {
          stop = true;  // more ends than starts
        } else if (--depth == 0) {
          current = -1;
        }
      } else if (tag == kMainFeature && current >= 0) {
        AddFeatureBits(summary.collections[static_cast<size_t>(current)], global.reportId,
                       uint64_t{global.reportSize} * global.reportCount);
      }
      local = LocalState{};
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kGlobalUsagePage: global.usagePage = value; break;
        case kGlobalReportSize: global.reportSize = value; break;
        case kGlobalReportCount: global.reportCount = value; break;
        case kGlobalReportId:
          if (value == 0 || value > 0xFF) {
            stop = true;  // report id 0 is reserved; ids are one byte on the wire
          } else {
            global.reportId = static_cast<uint8_t>(value);
          }
          break;
        case kGlobalPush:
          if (globalStack.size() >= static_cast<size_t>(kMaxGlobalStackDepth)) {
            stop = true;
          } else {
            globalStack.push_back(global);
          }
          break;
        case kGlobalPop:
          if (globalStack.empty()) {
            stop = true;
          } else {
            global = globalStack.back();
            globalStack.pop_back();
          }
          break;
        default: break;
      }
    } else if (type == kTypeLocal) {
      if (tag == kLocalUsage && !local.hasUsage) {
        local.hasUsage = true;
        local.carriesPage = dataSize == 4;
        local.usage = value;
      }
    }
    // Reserved short items (type 3) carry nothing we use.
    if (stop) {
      summary.complete = false;
      break;
    }
  }
  BitsToBytes(summary);
  return summary;
}

}  // namespace tr58k
