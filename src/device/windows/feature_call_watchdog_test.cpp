// A mouse that stops answering in the middle of a feature call: the call is
// cancelled after the bound and fails as a write fault, the link's retry
// rules run on top, the window closes, and no thread or handle is left.
// The bound is shortened here; its waits are real.
#include "device/windows/feature_call_watchdog.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/updater_dlg.h"
#include "device/device_link.h"
#include "device/windows/windows_hid_backend.h"
#include "testing/fake_win32_hid.h"
#include "testing/fake_window_host.h"

namespace tr58k {
namespace {

constexpr uint32_t kBoundMs = 150;
// What "the bound plus a little" allows: thread wake-ups on a loaded machine.
constexpr int64_t kSlackMs = 400;

FakeHidInterface Vendor() {
  return {L"\\\\?\\hid#vid_4c95&pid_5837&mi_01#1", 0x4C95, 0x5837, 0x26, 0xFF01, 2};
}

size_t ThreadCount() {
  const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  size_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Thread32First(snapshot, &entry); more;
       more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
  }
  ::CloseHandle(snapshot);
  return count;
}

int64_t MsSince(std::chrono::steady_clock::time_point start) {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

struct HungRig {
  HungRig() { system.interfaces = {Vendor()}; }
  FakeHidSystem system;
  WindowsHidBackend backend{system, kBoundMs};
  ManualClock clock;
  DeviceLink link{backend, clock};
};

TEST(FeatureCallWatchdogTest, HungCallsEndAfterTheBoundAsWriteFaultsAndLeaveNothing) {
  const size_t threadsBefore = ThreadCount();
  {
    HungRig rig;
    std::vector<std::string> trace;
    rig.link.trace = [&](std::string_view line) { trace.emplace_back(line); };
    ASSERT_EQ(OpenHidDevice(rig.link, 0x5837), 1);
    std::array<uint8_t, 64> report{0xA1, 0x07};
    rig.system.featureCallsHang = true;
    for (const bool send : {true, false}) {
      const auto start = std::chrono::steady_clock::now();
      const uint32_t code = send ? rig.link.handle->SetFeature(report.data(), report.size())
                                 : rig.link.handle->GetFeature(report.data(), report.size());
      const int64_t took = MsSince(start);
      EXPECT_EQ(code, hid_error::kWriteFault) << send;
      EXPECT_GE(took, kBoundMs) << send;
      EXPECT_LT(took, kBoundMs + kSlackMs) << send;
      std::printf("a hung %s call returned after %lld ms (bound %u ms)\n", send ? "set" : "get",
                  static_cast<long long>(took), kBoundMs);
    }

    // The link's rules on top: a write fault is retried three times.
    trace.clear();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendFeatureReport(rig.link, report.data(), report.size()), 0);
    const int64_t took = MsSince(start);
    EXPECT_EQ(trace,
              (std::vector<std::string>{"fail set 29", "fail set 29", "sleep 50", "fail set 29",
                                        "sleep 50", "fail set 29", "sleep 50"}));
    EXPECT_LT(took, 4 * kBoundMs + kSlackMs);
    EXPECT_EQ(rig.system.HungCalls(), 6);
    EXPECT_EQ(rig.system.CancelledCalls(), 6);
    EXPECT_EQ(rig.system.OpenThreadHandles(), 0u);
    CloseHidDevice(rig.link);
    EXPECT_TRUE(rig.system.openHandles.empty());
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

// The window's start-up read runs into a mouse that has stopped answering;
// closing the window waits for that read, which now ends.
TEST(FeatureCallWatchdogTest, TheWindowClosesWhileTheMouseHangs) {
  const size_t threadsBefore = ThreadCount();
  {
    HungRig rig;
    rig.system.featureCallsHang = true;
    CUpdaterDlg window(rig.link, {});  // no image: nothing here updates
    window.SetTimerPeriodMs(0);
    window.SetStartupWaitMs(0);
    FakeWindowHost host(window);
    host.Init();
    ASSERT_TRUE(host.WaitUntil([&] { return rig.system.HungCalls() >= 1; }, 5000));
    const auto start = std::chrono::steady_clock::now();
    host.Destroy();
    const int64_t took = MsSince(start);
    // At most the read request's four bounded attempts.
    EXPECT_LT(took, 4 * kBoundMs + kSlackMs);
    std::printf("the window closed %lld ms after the close was asked\n",
                static_cast<long long>(took));
    EXPECT_EQ(rig.system.OpenThreadHandles(), 0u);
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
}

}  // namespace
}  // namespace tr58k
