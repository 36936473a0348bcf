#include "device/device_link.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "testing/sim_rig.h"

namespace tr58k {
namespace {

// A backend listing whatever interfaces a test gives it, recording opens.
class ListBackend final : public HidBackend {
 public:
  class Device final : public HidDevice {
   public:
    uint32_t SetFeature(const uint8_t*, size_t) override { return hid_error::kNone; }
    uint32_t GetFeature(uint8_t*, size_t) override { return hid_error::kNone; }
  };

  std::vector<HidInterfaceInfo> Enumerate() override { return interfaces; }
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
    opened.push_back(path);
    if (refused.count(path)) {
      *error = hid_error::kGeneralFailure;
      return nullptr;
    }
    *error = hid_error::kNone;
    return std::make_unique<Device>();
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }

  std::vector<HidInterfaceInfo> interfaces;
  std::vector<std::string> opened;
  std::set<std::string> refused;
};

HidInterfaceInfo Interface(std::string path, uint16_t vendor, uint16_t product, uint16_t page,
                           uint16_t usage) {
  HidInterfaceInfo info;
  info.path = std::move(path);
  info.vendorId = vendor;
  info.productId = product;
  info.usagePage = page;
  info.usage = usage;
  info.versionNumber = 0x0042;
  return info;
}

struct MatchCase {
  const char* name;
  std::vector<HidInterfaceInfo> interfaces;
  int productId;
  const char* expectedPath;  // nullptr: nothing found
};

class OpenMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(OpenMatchTest, OpensOnlyTheFirstFullMatch) {
  const MatchCase& c = GetParam();
  ManualClock clock;
  ListBackend backend;
  backend.interfaces = c.interfaces;
  DeviceLink link(backend, clock);
  link.versionNumber = 0x0099;

  const int result = OpenHidDevice(link, c.productId);

  if (c.expectedPath) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(link.connected, 1);
    EXPECT_NE(link.handle, nullptr);
    EXPECT_EQ(link.versionNumber, 0x0042u);
    EXPECT_EQ(backend.opened, std::vector<std::string>{c.expectedPath});
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_EQ(link.connected, 0);
    EXPECT_EQ(link.handle, nullptr);
    EXPECT_EQ(link.versionNumber, 0x0099u);
    EXPECT_TRUE(backend.opened.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, OpenMatchTest,
    ::testing::Values(
        MatchCase{"NoInterfaces", {}, 0x5837, nullptr},
        MatchCase{"OtherVendor",
                  {Interface("a", 0x4C96, 0x5837, 0xFF01, 2),
                   Interface("b", 0x4C95, 0x5837, 0xFF01, 2)},
                  0x5837, "b"},
        MatchCase{"OtherProduct",
                  {Interface("a", 0x4C95, 0x5838, 0xFF01, 2),
                   Interface("b", 0x4C95, 0x5837, 0xFF01, 2)},
                  0x5837, "b"},
        MatchCase{"MouseCollectionFirst",
                  {Interface("a", 0x4C95, 0x5837, 0x0001, 2),
                   Interface("b", 0x4C95, 0x5837, 0xFF01, 2)},
                  0x5837, "b"},
        MatchCase{"OtherUsage",
                  {Interface("a", 0x4C95, 0x5837, 0xFF01, 1),
                   Interface("b", 0x4C95, 0x5837, 0xFF01, 2)},
                  0x5837, "b"},
        MatchCase{"FirstOfTwoMice",
                  {Interface("a", 0x4C95, 0x5837, 0xFF01, 2),
                   Interface("b", 0x4C95, 0x5837, 0xFF01, 2)},
                  0x5837, "a"},
        MatchCase{"BootloaderWantedMouseNormal",
                  {Interface("a", 0x4C95, 0x5837, 0xFF01, 2)}, 0x5836, nullptr},
        MatchCase{"BootloaderFound",
                  {Interface("a", 0x4C95, 0x5837, 0xFF01, 2),
                   Interface("b", 0x4C95, 0x5836, 0xFF01, 2)},
                  0x5836, "b"},
        MatchCase{"ProductBeyond16Bits",
                  {Interface("a", 0x4C95, 0x5837, 0xFF01, 2)}, 0x15837, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenHidDevice, OpensTheSimulatedMouseVendorCollectionNotItsDecoy) {
  SimRig rig;
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  EXPECT_EQ(rig.link.connected, 1);
  EXPECT_EQ(rig.link.versionNumber, 0x0026u);
  const std::vector<SimExchange> log = rig.mouse.Exchanges();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].kind, SimExchangeKind::kOpen);
  EXPECT_EQ(log[0].path, "/dev/hidraw4");
  EXPECT_EQ(rig.trace, std::vector<std::string>{"open 4c95:5837 ok"});
}

TEST(OpenHidDevice, FailedSearchKeepsVersionAndTracesNone) {
  SimRig rig(SimulatedMouseOptions{.plugged = false});
  rig.link.versionNumber = 0x0105;
  EXPECT_EQ(OpenHidDevice(rig.link, kMouseProductId), 0);
  EXPECT_EQ(rig.link.handle, nullptr);
  EXPECT_EQ(rig.link.connected, 0);
  EXPECT_EQ(rig.link.versionNumber, 0x0105u);
  EXPECT_EQ(rig.link.lastOpenError, hid_error::kNone);
  EXPECT_EQ(rig.trace, std::vector<std::string>{"open 4c95:5837 none"});
}

TEST(OpenHidDevice, ReopenDropsThePreviousHandleAndFindsTheReturnedMouse) {
  SimRig rig;
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  rig.mouse.Unplug();
  rig.mouse.Plug();
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  ShortReport request{report::kIdShort, 0x03};
  EXPECT_EQ(SendFeatureReport(rig.link, request.data(), request.size()), 1);
}

TEST(OpenHidDevice, RecordsAccessDeniedOnlyWhenTheSearchFails) {
  SimRig rig;
  rig.mouse.AddFault(Fault::OpenError(hid_error::kAccessDenied));
  EXPECT_EQ(OpenHidDevice(rig.link, kMouseProductId), 0);
  EXPECT_EQ(rig.link.lastOpenError, hid_error::kAccessDenied);
  EXPECT_EQ(rig.link.lastOpenErrorPath, "/dev/hidraw4");

  EXPECT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  EXPECT_EQ(rig.link.lastOpenError, hid_error::kNone);
  EXPECT_TRUE(rig.link.lastOpenErrorPath.empty());

  // Another reason to fail is not a permission problem.
  rig.mouse.AddFault(Fault::OpenError(hid_error::kDeviceNotConnected));
  EXPECT_EQ(OpenHidDevice(rig.link, kMouseProductId), 0);
  EXPECT_EQ(rig.link.lastOpenError, hid_error::kNone);
}

TEST(OpenHidDevice, SkipsAMatchThatWillNotOpen) {
  ManualClock clock;
  ListBackend backend;
  backend.interfaces = {Interface("a", 0x4C95, 0x5837, 0xFF01, 2),
                        Interface("b", 0x4C95, 0x5837, 0xFF01, 2)};
  backend.refused = {"a"};
  DeviceLink link(backend, clock);
  ASSERT_EQ(OpenHidDevice(link, kMouseProductId), 1);
  EXPECT_EQ(backend.opened, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(link.lastOpenError, hid_error::kNone);
}

TEST(CloseHidDevice, ClosedLinkOnlyClearsConnected) {
  SimRig rig;
  rig.link.connected = 1;  // as a caller might leave it
  rig.link.versionNumber = 0x0026;
  EXPECT_EQ(CloseHidDevice(rig.link), 1);
  EXPECT_EQ(rig.link.connected, 0);
  EXPECT_EQ(rig.link.handle, nullptr);
  EXPECT_EQ(rig.link.versionNumber, 0x0026u);
}

TEST(CloseHidDevice, ClosesTheHandleAndKeepsTheVersion) {
  SimRig rig;
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  EXPECT_EQ(CloseHidDevice(rig.link), 1);
  EXPECT_EQ(rig.link.handle, nullptr);
  EXPECT_EQ(rig.link.connected, 0);
  EXPECT_EQ(rig.link.versionNumber, 0x0026u);
  ShortReport request{report::kIdShort, 0x07};
  EXPECT_EQ(SendFeatureReport(rig.link, request.data(), request.size()), 0);
  EXPECT_EQ(rig.trace.back(), "fail set 6");
  EXPECT_EQ(rig.Count(SimExchangeKind::kSet), 0u);
}

TEST(DeviceLink, SleepGoesThroughTheClockAndTheTrace) {
  SimRig rig;
  rig.link.Sleep(80);
  rig.link.Sleep(0);
  EXPECT_EQ(rig.clock.Sleeps(), (std::vector<uint32_t>{80, 0}));
  EXPECT_EQ(rig.trace, (std::vector<std::string>{"sleep 80", "sleep 0"}));
}

TEST(RegisterHidNotification, HandsOutTheBackendsMonitor) {
  SimRig rig;
  std::unique_ptr<HidMonitor> monitor = RegisterHidNotification(rig.link);
  ASSERT_NE(monitor, nullptr);
  rig.mouse.Unplug();
  const std::vector<HidEvent> events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, HidEventKind::kRemoveComplete);
  EXPECT_TRUE(PathNamesMouse(events[1].path));

  ListBackend none;
  DeviceLink bare(none, rig.clock);
  EXPECT_EQ(RegisterHidNotification(bare), nullptr);
}

}  // namespace
}  // namespace tr58k
