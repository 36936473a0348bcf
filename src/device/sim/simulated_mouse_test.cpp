#include "device/sim/simulated_mouse.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#endif

#include <string>
#include <vector>

#include "device/config_commands.h"
#include "device/sim/sim_test_rig.h"

namespace tr58k {
namespace {

// The monitor's descriptor exists on POSIX only; on Windows hosts learn of
// events through the callback (MonitorCallbackWakesOncePerBatch).
#ifdef _WIN32
#define SKIP_WITHOUT_DESCRIPTOR() GTEST_SKIP() << "the monitor has no descriptor on Windows"
bool Readable(const HidMonitor&) { return false; }
#else
#define SKIP_WITHOUT_DESCRIPTOR() static_cast<void>(0)
bool Readable(const HidMonitor& monitor) {
  pollfd fd{monitor.PollFd(), POLLIN, 0};
  return poll(&fd, 1, 0) == 1 && (fd.revents & POLLIN);
}
#endif

std::unique_ptr<HidDevice> OpenVendor(SimulatedMouse& mouse, uint32_t* error = nullptr) {
  uint32_t ignored = 0;
  for (const HidInterfaceInfo& info : mouse.Enumerate()) {
    if (info.usagePage == kVendorUsagePage) return mouse.Open(info.path, error ? error : &ignored);
  }
  return nullptr;
}

TEST(SimulatedMouse, NormalModeShowsTheDecoyThenTheVendorCollection) {
  ManualClock clock;
  SimulatedMouse mouse(clock);
  const auto interfaces = mouse.Enumerate();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[0].path, "/dev/hidraw3");
  EXPECT_EQ(interfaces[0].usagePage, 0x0001);
  EXPECT_EQ(interfaces[1].path, "/dev/hidraw4");
  EXPECT_EQ(interfaces[1].usagePage, 0xFF01);
  for (const auto& info : interfaces) {
    EXPECT_EQ(info.vendorId, 0x4C95);
    EXPECT_EQ(info.productId, 0x5837);
    EXPECT_EQ(info.versionNumber, 0x0026);
    EXPECT_EQ(info.usage, 2);
  }
  EXPECT_TRUE(mouse.IsPlugged());
  EXPECT_TRUE(mouse.IsPresent());
  EXPECT_EQ(mouse.Mode(), MouseMode::kNormal);
  EXPECT_EQ(mouse.SelectedSlot(), 0);
  EXPECT_EQ(mouse.Block()[0x32], 2);
}

TEST(SimulatedMouse, DecoyTakesNoFeatureReports) {
  ManualClock clock;
  SimulatedMouse mouse(clock);
  uint32_t error = 99;
  auto decoy = mouse.Open("/dev/hidraw3", &error);
  ASSERT_NE(decoy, nullptr);
  EXPECT_EQ(error, hid_error::kNone);
  ShortReport report{0xA1, 0x03};
  EXPECT_EQ(decoy->SetFeature(report.data(), report.size()), hid_error::kGeneralFailure);
  EXPECT_EQ(decoy->GetFeature(report.data(), report.size()), hid_error::kGeneralFailure);
  EXPECT_TRUE(mouse.Requests().empty());
  mouse.Open("/dev/hidraw9", &error);
  EXPECT_EQ(error, hid_error::kDeviceNotConnected);
}

TEST(SimulatedMouse, AGetReadsTheAnswerToTheLastRequestAsOftenAsAsked) {
  ManualClock clock;
  SimulatedMouse mouse(clock);
  mouse.SetSelectedSlot(4);
  auto device = OpenVendor(mouse);
  ShortReport response{0xA1};
  // Nothing asked yet: an empty report.
  ASSERT_EQ(device->GetFeature(response.data(), response.size()), hid_error::kNone);
  EXPECT_EQ(response, ShortReport{0xA1});

  ShortReport request{0xA1, 0x03};
  ASSERT_EQ(device->SetFeature(request.data(), request.size()), hid_error::kNone);
  for (int i = 0; i < 2; ++i) {
    response = ShortReport{0xA1};
    ASSERT_EQ(device->GetFeature(response.data(), response.size()), hid_error::kNone);
    EXPECT_EQ(response[1], 1);
    EXPECT_EQ(response[16], 4);
  }
  // A 64-byte read of the 1041-byte block answer gets its start only.
  request[1] = 0x07;
  ASSERT_EQ(device->SetFeature(request.data(), request.size()), hid_error::kNone);
  ASSERT_EQ(device->GetFeature(response.data(), response.size()), hid_error::kNone);
  EXPECT_TRUE(std::equal(response.begin() + 16, response.end(), mouse.Block().begin()));
}

TEST(SimulatedMouse, UnplugRemovesTheInterfacesAndKillsHandlesForGood) {
  SKIP_WITHOUT_DESCRIPTOR();
  ManualClock clock;
  SimulatedMouse mouse(clock);
  auto monitor = mouse.CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  EXPECT_FALSE(Readable(*monitor));
  auto device = OpenVendor(mouse);

  mouse.Unplug();
  EXPECT_FALSE(mouse.IsPlugged());
  EXPECT_TRUE(mouse.Enumerate().empty());
  ASSERT_TRUE(Readable(*monitor));
  auto events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, HidEventKind::kRemoveComplete);
  EXPECT_NE(events[0].path.find("0003:4C95:5837.0001"), std::string::npos) << events[0].path;
  EXPECT_NE(events[1].path.find("0003:4C95:5837.0002"), std::string::npos) << events[1].path;
  EXPECT_FALSE(Readable(*monitor));

  ShortReport report{0xA1, 0x03};
  EXPECT_EQ(device->SetFeature(report.data(), report.size()), hid_error::kDeviceNotConnected);

  mouse.Plug();
  events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, HidEventKind::kArrival);
  EXPECT_NE(events[1].path.find("0003:4C95:5837.0004"), std::string::npos);
  EXPECT_TRUE(PathNamesMouse(events[1].path));
  // The old handle stays dead; a new one works.
  EXPECT_EQ(device->GetFeature(report.data(), report.size()), hid_error::kDeviceNotConnected);
  auto fresh = OpenVendor(mouse);
  EXPECT_EQ(fresh->SetFeature(report.data(), report.size()), hid_error::kNone);
}

TEST(SimulatedMouse, StartsUnpluggedWhenAsked) {
  ManualClock clock;
  SimulatedMouse mouse(clock, {.plugged = false});
  EXPECT_FALSE(mouse.IsPresent());
  EXPECT_TRUE(mouse.Enumerate().empty());
  mouse.Plug();
  EXPECT_EQ(mouse.Enumerate().size(), 2u);
}

TEST(SimulatedMouse, ReenumerationComesBackOnTheClock) {
  SimTestRig rig;
  auto monitor = rig.mouse.CreateMonitor();
  rig.mouse.Reenumerate(MouseMode::kBootloader, 2500);
  EXPECT_EQ(monitor->ReadEvents().size(), 2u);  // both interfaces left
  EXPECT_FALSE(rig.mouse.IsPresent());
  EXPECT_TRUE(rig.mouse.IsPlugged());

  // A discovery loop pays nothing for the wait on a ManualClock.
  int attempts = 0;
  while (++attempts <= 101 && OpenHidDevice(rig.link, kBootloaderProductId) != 1) {
    rig.link.Sleep(1000);
  }
  EXPECT_EQ(attempts, 4);  // at 0, 1000, 2000 ms it is still away
  EXPECT_EQ(rig.mouse.Mode(), MouseMode::kBootloader);
  const auto events = monitor->ReadEvents();
  ASSERT_EQ(events.size(), 1u);  // the bootloader shows only its vendor collection
  EXPECT_EQ(events[0].kind, HidEventKind::kArrival);
  EXPECT_NE(events[0].path.find("0003:4C95:5836.0003"), std::string::npos) << events[0].path;
  EXPECT_FALSE(PathNamesMouse(events[0].path));

  // The bootloader takes only its own long 0xA0 requests.
  ShortReport request{0xA1, 0x07};
  ASSERT_EQ(SendFeatureReport(rig.link, request.data(), request.size()), 1);
  ShortReport response{0xA1};
  ASSERT_EQ(ReceiveFeatureReport(rig.link, response.data(), response.size()), 1);
  EXPECT_EQ(response[1], kSimStatusRejected);
}

TEST(SimulatedMouse, MonitorPostsADueArrivalWhenRead) {
  SKIP_WITHOUT_DESCRIPTOR();
  ManualClock clock;
  SimulatedMouse mouse(clock);
  auto monitor = mouse.CreateMonitor();
  mouse.Reenumerate(MouseMode::kNormal, 500);
  monitor->ReadEvents();
  clock.Advance(499);
  EXPECT_TRUE(monitor->ReadEvents().empty());
  clock.Advance(1);
  EXPECT_EQ(monitor->ReadEvents().size(), 2u);
  // With a real clock a timer calls CatchUp, which makes the fd readable.
  mouse.Reenumerate(MouseMode::kNormal, 10);
  monitor->ReadEvents();
  clock.Advance(10);
  EXPECT_FALSE(Readable(*monitor));
  mouse.CatchUp();
  EXPECT_TRUE(Readable(*monitor));
}

// A firmware that leaves for the other mode once its answer is read.
class LeavingFirmware final : public SimFirmware {
 public:
  std::vector<SimCollection> Collections() const override { return {{kVendorUsagePage, 2}}; }
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t>, SimMouseState& state) override {
    state.afterResponse = SimModeChange{MouseMode::kNormal, 3000};
    state.versionNumber = 0x0027;
    std::vector<uint8_t> response(64, 0);
    response[1] = 1;
    return response;
  }
};

TEST(SimulatedMouse, AFirmwareCanAnswerThenLeaveWithANewVersion) {
  ManualClock clock;
  SimulatedMouse mouse(clock, {.mode = MouseMode::kBootloader});
  mouse.SetFirmware(MouseMode::kBootloader, std::make_unique<LeavingFirmware>());
  EXPECT_EQ(mouse.Enumerate().at(0).productId, 0x5836);
  auto device = OpenVendor(mouse);
  LongReport request{0xA0, 0x09};
  ASSERT_EQ(device->SetFeature(request.data(), request.size()), hid_error::kNone);
  EXPECT_TRUE(mouse.IsPresent());  // still there until the answer is read

  mouse.AddFault(Fault::Busy(1));
  LongReport response{0xA0};
  ASSERT_EQ(device->GetFeature(response.data(), response.size()), hid_error::kNone);
  EXPECT_EQ(response[1], report::kStatusBusy);
  EXPECT_TRUE(mouse.IsPresent());  // a busy answer is not the answer
  ASSERT_EQ(device->GetFeature(response.data(), response.size()), hid_error::kNone);
  EXPECT_EQ(response[0], 0xA0);
  EXPECT_EQ(response[1], 1);
  EXPECT_FALSE(mouse.IsPresent());

  clock.Advance(3000);
  const auto interfaces = mouse.Enumerate();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[1].productId, 0x5837);
  EXPECT_EQ(interfaces[1].versionNumber, 0x0027);
}

TEST(SimulatedMouse, UnplugFaultsPullTheCableAtTheChosenExchange) {
  for (SimExchangeKind kind : {SimExchangeKind::kOpen, SimExchangeKind::kSet, SimExchangeKind::kGet}) {
    SimTestRig rig;
    auto monitor = rig.mouse.CreateMonitor();
    rig.mouse.AddFault(Fault::UnplugBefore(kind));
    uint8_t slot = 0;
    const int opened = OpenHidDevice(rig.link, kMouseProductId);
    const uint8_t result = ReadProfileSlot(rig.link, slot);
    EXPECT_EQ(opened, kind == SimExchangeKind::kOpen ? 0 : 1);
    EXPECT_EQ(result, kCommandFailed);
    EXPECT_FALSE(rig.mouse.IsPlugged());
    EXPECT_EQ(monitor->ReadEvents().size(), 2u);
    const auto log = rig.mouse.Exchanges();
    EXPECT_EQ(log.back().error, hid_error::kDeviceNotConnected);
  }
}

TEST(SimulatedMouse, ExchangeLogRecordsWhatTheMouseSaw) {
  SimTestRig rig;
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  rig.mouse.AddFault(Fault::SetError(hid_error::kCrc));
  uint8_t slot = 0;
  ASSERT_EQ(ReadProfileSlot(rig.link, slot), kCommandOk);
  const auto log = rig.mouse.Exchanges();
  ASSERT_EQ(log.size(), 4u);  // open, failed set, set, get
  EXPECT_EQ(log[1].kind, SimExchangeKind::kSet);
  EXPECT_EQ(log[1].error, hid_error::kCrc);
  EXPECT_EQ(log[2].error, hid_error::kNone);
  EXPECT_EQ(log[3].kind, SimExchangeKind::kGet);
  EXPECT_EQ(log[3].bytes.size(), 64u);
  EXPECT_EQ(log[3].path, "/dev/hidraw4");
  EXPECT_EQ(rig.mouse.Requests().size(), 1u);  // the failed set never arrived
  rig.mouse.ClearLog();
  EXPECT_TRUE(rig.mouse.Exchanges().empty());
}

TEST(SimulatedMouse, HandlesOutliveTheMouse) {
  ManualClock clock;
  std::unique_ptr<HidDevice> device;
  std::unique_ptr<HidMonitor> monitor;
  {
    SimulatedMouse mouse(clock);
    device = OpenVendor(mouse);
    monitor = mouse.CreateMonitor();
  }
  ShortReport report{0xA1, 0x03};
  EXPECT_EQ(device->SetFeature(report.data(), report.size()), hid_error::kDeviceNotConnected);
  EXPECT_EQ(monitor->ReadEvents().size(), 2u);  // it was pulled out
}

}  // namespace
}  // namespace tr58k

namespace tr58k {
namespace {

// Hosts that watch no descriptor: one call when events start waiting, none
// while they still wait unread, and one for events posted before subscribing.
TEST(SimulatedMouse, MonitorCallbackWakesOncePerBatch) {
  ManualClock clock;
  SimulatedMouse mouse(clock);
  auto monitor = mouse.CreateMonitor();
  ASSERT_NE(monitor, nullptr);
  mouse.Unplug();  // two removals wait before anyone subscribed
  int wakes = 0;
  monitor->SetEventsWaitingCallback([&] { ++wakes; });
  EXPECT_EQ(wakes, 1);
  mouse.Plug();
  EXPECT_EQ(wakes, 1) << "the queue was not drained: the host already knows";
  EXPECT_EQ(monitor->ReadEvents().size(), 4u);
  mouse.Unplug();
  EXPECT_EQ(wakes, 2);
  monitor->SetEventsWaitingCallback({});
  monitor->ReadEvents();
  mouse.Plug();
  EXPECT_EQ(wakes, 2);
}

}  // namespace
}  // namespace tr58k
