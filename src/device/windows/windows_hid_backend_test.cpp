#include "device/windows/windows_hid_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <vector>

#include "device/device_link.h"
#include "testing/fake_win32_hid.h"

namespace tr58k {
namespace {

// What Wine and Windows list besides the mouse: a virtual HID device, the
// mouse's own pointer collection, then its vendor collection, then a second mouse.
FakeHidInterface Wine() { return {L"\\\\?\\hid#vid_845e&pid_0001#1", 0x845E, 0x0001, 0, 1, 2}; }
FakeHidInterface Pointer() { return {L"\\\\?\\hid#vid_4c95&pid_5837&mi_00#1", 0x4C95, 0x5837, 0x26, 1, 2}; }
FakeHidInterface Vendor() { return {L"\\\\?\\hid#vid_4c95&pid_5837&mi_01#1", 0x4C95, 0x5837, 0x26, 0xFF01, 2}; }
FakeHidInterface SecondMouse() { return {L"\\\\?\\hid#vid_4c95&pid_5837&mi_01#2", 0x4C95, 0x5837, 0x27, 0xFF01, 2}; }

struct Rig {
  FakeHidSystem system;
  WindowsHidBackend backend{system};
  ManualClock clock;
  DeviceLink link{backend, clock};
};

std::string Utf8(const std::wstring& w) { return std::string(w.begin(), w.end()); }  // ASCII paths

TEST(WindowsHidBackendTest, EnumeratesInOrderOpeningEachOnlyWhileAsking) {
  Rig rig;
  rig.system.interfaces = {Wine(), Pointer(), Vendor(), SecondMouse()};
  const auto listed = rig.backend.Enumerate();
  ASSERT_EQ(listed.size(), 4u);
  for (size_t i = 0; i < listed.size(); ++i) {
    const FakeHidInterface& want = rig.system.interfaces[i];
    EXPECT_EQ(listed[i].path, Utf8(want.path)) << i;
    EXPECT_EQ(listed[i].vendorId, want.vendorId) << i;
    EXPECT_EQ(listed[i].productId, want.productId) << i;
    EXPECT_EQ(listed[i].versionNumber, want.versionNumber) << i;
    EXPECT_EQ(listed[i].usagePage, want.usagePage) << i;
    EXPECT_EQ(listed[i].usage, want.usage) << i;
  }
  EXPECT_EQ(rig.system.lastClassDevsFlags, 0x12u);
  EXPECT_EQ(rig.system.destroyListCalls, 1);
  EXPECT_FALSE(rig.system.badRecordSize);
  EXPECT_TRUE(rig.system.openHandles.empty());
  EXPECT_EQ(rig.system.OutstandingPreparsed(), 0);
}

struct OpenCase {
  const char* what;
  std::vector<FakeHidInterface> interfaces;
  int productId;
  int expectedResult;
  std::wstring expectedPath;        // the interface left open
  uint32_t expectedOpenError;       // link.lastOpenError after the search
};

TEST(WindowsHidBackendTest, FirstMatchWinsDecoysAndRefusalsPassedOver) {
  FakeHidInterface held = Vendor();
  held.readWriteOpenError = ERROR_SHARING_VIOLATION;
  FakeHidInterface denied = Vendor();
  denied.readWriteOpenError = ERROR_ACCESS_DENIED;
  FakeHidInterface gone = Vendor();
  gone.anyOpenError = ERROR_FILE_NOT_FOUND;
  FakeHidInterface noDetail = Vendor();
  noDetail.detailFails = true;
  FakeHidInterface noAttributes = Vendor();
  noAttributes.attributesFail = true;
  const std::vector<OpenCase> cases = {
      {"nothing present", {}, 0x5837, 0, L"", hid_error::kNone},
      {"pointer collection before the vendor one", {Wine(), Pointer(), Vendor()}, 0x5837, 1,
       Vendor().path, hid_error::kNone},
      {"two mice: the first", {SecondMouse(), Vendor()}, 0x5837, 1, SecondMouse().path, hid_error::kNone},
      {"bootloader asked, mouse present", {Pointer(), Vendor()}, 0x5836, 0, L"", hid_error::kNone},
      {"only Wine's devices", {Wine(), Wine()}, 0x5837, 0, L"", hid_error::kNone},
      {"held by another program", {held}, 0x5837, 0, L"", hid_error::kAccessDenied},
      {"access denied", {denied}, 0x5837, 0, L"", hid_error::kAccessDenied},
      {"refused, then a usable one", {denied, SecondMouse()}, 0x5837, 1, SecondMouse().path,
       hid_error::kNone},
      {"gone while listed", {gone, SecondMouse()}, 0x5837, 1, SecondMouse().path, hid_error::kNone},
      {"detail unreadable", {noDetail, SecondMouse()}, 0x5837, 1, SecondMouse().path, hid_error::kNone},
      {"attributes unreadable", {noAttributes}, 0x5837, 0, L"", hid_error::kNone},
  };
  for (const OpenCase& c : cases) {
    Rig rig;
    rig.system.interfaces = c.interfaces;
    EXPECT_EQ(OpenHidDevice(rig.link, c.productId), c.expectedResult) << c.what;
    EXPECT_EQ(rig.link.lastOpenError, c.expectedOpenError) << c.what;
    EXPECT_EQ(rig.system.openHandles.size(), c.expectedResult == 1 ? 1u : 0u) << c.what;
    if (c.expectedResult == 1) {
      // The last read/write open is the one kept.
      EXPECT_EQ(rig.system.readWriteOpens.back(), c.expectedPath) << c.what;
    }
    CloseHidDevice(rig.link);
    EXPECT_TRUE(rig.system.openHandles.empty()) << c.what;
    EXPECT_EQ(rig.system.OutstandingPreparsed(), 0) << c.what;
  }
}

TEST(WindowsHidBackendTest, DeviceGoneBetweenListingAndOpening) {
  Rig rig;
  rig.system.interfaces = {Vendor()};
  const auto listed = rig.backend.Enumerate();
  ASSERT_EQ(listed.size(), 1u);
  rig.system.Unplug(Vendor().path);
  uint32_t error = 0;
  EXPECT_EQ(rig.backend.Open(listed[0].path, &error), nullptr);
  EXPECT_EQ(error, hid_error::kDeviceNotConnected);
  EXPECT_TRUE(rig.system.openHandles.empty());
}

// Each failure code of HidD_SetFeature/HidD_GetFeature reaches the link as
// it is, and the link retries exactly the five of its table.
TEST(WindowsHidBackendTest, FeatureErrorCodesAreGetLastErrorsAndDriveTheRetries) {
  struct Code {
    DWORD code;
    uint32_t expected;
    bool retried;
  };
  const std::vector<Code> codes = {
      {21, 21, true},       {23, 23, true},   {29, 29, true},   {87, 87, true}, {1627, 1627, true},
      {31, 31, false},      {5, 5, false},    {1167, 1167, false},
      {0, hid_error::kGeneralFailure, false},  // a failure without a code is still one
  };
  for (const Code& c : codes) {
    for (const bool send : {true, false}) {
      Rig rig;
      rig.system.interfaces = {Vendor()};
      ASSERT_EQ(OpenHidDevice(rig.link, 0x5837), 1);
      std::array<uint8_t, 64> report{0xA1, 0x07};
      auto& errors = send ? rig.system.setFeatureErrors : rig.system.getFeatureErrors;
      errors.assign(4, c.code);
      // Straight at the device: the code as the system gave it.
      const uint32_t direct = send ? rig.link.handle->SetFeature(report.data(), report.size())
                                   : rig.link.handle->GetFeature(report.data(), report.size());
      EXPECT_EQ(direct, c.expected) << c.code;
      // Through the link: 1 + 3 retries for the retryable codes, one try else.
      errors.assign(4, c.code);
      rig.clock.ClearSleeps();
      const int result = send ? SendFeatureReport(rig.link, report.data(), report.size())
                              : ReceiveFeatureReport(rig.link, report.data(), report.size());
      EXPECT_EQ(result, 0) << c.code;
      EXPECT_EQ(errors.size(), c.retried ? 0u : 3u) << c.code << (send ? " set" : " get");
      EXPECT_EQ(rig.clock.TotalSleptMs(), c.retried ? 150u : 0u) << c.code;
    }
  }
}

TEST(WindowsHidBackendTest, SetFeatureSendsTheWholeBufferUnchanged) {
  Rig rig;
  rig.system.interfaces = {Vendor()};
  ASSERT_EQ(OpenHidDevice(rig.link, 0x5837), 1);
  std::vector<uint8_t> report(1041, 0);
  report[0] = 0xA0;
  report[1] = 0x08;
  report[1039] = 0x5A;
  ASSERT_EQ(SendFeatureReport(rig.link, report.data(), report.size()), 1);
  ASSERT_EQ(rig.system.sentReports.size(), 1u);
  EXPECT_EQ(rig.system.sentReports[0], report);
  EXPECT_EQ(ReadFirmwareVersion(rig.link), 26);
}

// Windows' documented rule (a feature buffer shorter than the collection's
// FeatureReportByteLength fails with 87) against a system that takes short
// buffers: the short form goes first, is padded at once where refused, and
// its retries stay padded; where short buffers pass nothing changes.
TEST(WindowsHidBackendTest, ShortReportsArePaddedOnlyWhereRefused) {
  struct Case {
    const char* what;
    uint16_t declared;  // FeatureReportByteLength
    bool refuses;
    bool send;
    size_t length;
    std::deque<DWORD> errors;     // of the calls the system takes
    int result;
    std::vector<size_t> wire;     // the lengths the system took
    std::vector<uint32_t> sleeps;
  };
  const std::vector<Case> cases = {
      {"takes short: set", 1041, false, true, 64, {}, 1, {64}, {}},
      {"takes short: get", 1041, false, false, 64, {}, 1, {64}, {}},
      {"refuses short: set padded", 1041, true, true, 64, {}, 1, {1041}, {}},
      {"refuses short: get padded", 1041, true, false, 64, {}, 1, {1041}, {}},
      {"refuses short: long set as it is", 1041, true, true, 1041, {}, 1, {1041}, {}},
      {"refuses short: long get as it is", 1041, true, false, 1041, {}, 1, {1041}, {}},
      {"declares 64: short as it is", 64, true, true, 64, {}, 1, {64}, {}},
      {"padded set retried padded", 1041, true, true, 64, {1627, 1627}, 1, {1041, 1041, 1041}, {50}},
      {"padded get retried padded", 1041, true, false, 64, {23, 87}, 1, {1041, 1041, 1041}, {50}},
      {"padded set failing for good", 1041, true, true, 64, {31}, 0, {1041}, {}},
  };
  std::vector<uint8_t> answer(1041);
  for (size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<uint8_t>(i * 7 + 3);
  for (const Case& c : cases) {
    Rig rig;
    FakeHidInterface vendor = Vendor();
    vendor.featureReportByteLength = c.declared;
    vendor.refusesShortFeatureBuffers = c.refuses;
    rig.system.interfaces = {vendor};
    rig.system.featureAnswer = answer;
    std::vector<std::string> trace;
    rig.link.trace = [&](std::string_view line) { trace.emplace_back(line); };
    ASSERT_EQ(OpenHidDevice(rig.link, 0x5837), 1) << c.what;
    EXPECT_EQ(rig.link.handle->FeatureReportLength(), c.declared) << c.what;
    (c.send ? rig.system.setFeatureErrors : rig.system.getFeatureErrors) = c.errors;

    // One byte past the report shows that nothing is written beyond it.
    std::vector<uint8_t> report(c.length + 1, 0xEE);
    std::fill(report.begin(), report.end() - 1, 0);
    report[0] = 0xA1;
    report[1] = 0x07;
    const int result = c.send ? SendFeatureReport(rig.link, report.data(), c.length)
                              : ReceiveFeatureReport(rig.link, report.data(), c.length);
    EXPECT_EQ(result, c.result) << c.what;
    std::vector<size_t> wire;
    if (c.send) {
      for (const auto& sent : rig.system.sentReports) wire.push_back(sent.size());
    } else {
      wire.assign(rig.system.getLengths.begin(), rig.system.getLengths.end());
    }
    EXPECT_EQ(wire, c.wire) << c.what;
    EXPECT_EQ(rig.clock.Sleeps(), c.sleeps) << c.what;
    const bool padded = c.wire.front() != c.length;
    const std::string padLine = std::string("pad ") + (c.send ? "set " : "get ") +
                                std::to_string(c.length) + " " + std::to_string(c.declared);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), padLine), padded ? 1 : 0) << c.what;
    EXPECT_EQ(report.back(), 0xEE) << c.what;
    if (c.send && !rig.system.sentReports.empty()) {
      // The request, then zeros.
      std::vector<uint8_t> expected(report.begin(), report.end() - 1);
      expected.resize(c.wire.back(), 0);
      EXPECT_EQ(rig.system.sentReports.back(), expected) << c.what;
    }
    if (!c.send && c.result == 1) {
      EXPECT_TRUE(std::equal(report.begin(), report.end() - 1, answer.begin())) << c.what;
    }
  }
}

// The real SetupAPI and HID class (Wine's under the tests): whatever is
// listed is asked and closed again, and no TR-58K is there to be opened.
class CountingCalls final : public HidSystemCalls {
 public:
  explicit CountingCalls(HidSystemCalls& real) : real_(real) {}
  int opened = 0;
  int closed = 0;
  void HidD_GetHidGuid(GUID* g) override { real_.HidD_GetHidGuid(g); }
  HDEVINFO SetupDiGetClassDevsW(const GUID* g, PCWSTR e, HWND p, DWORD f) override {
    return real_.SetupDiGetClassDevsW(g, e, p, f);
  }
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO s, PSP_DEVINFO_DATA i, const GUID* g, DWORD n,
                                   PSP_DEVICE_INTERFACE_DATA d) override {
    return real_.SetupDiEnumDeviceInterfaces(s, i, g, n, d);
  }
  BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO s, PSP_DEVICE_INTERFACE_DATA d,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_W dd, DWORD n, PDWORD r,
                                        PSP_DEVINFO_DATA i) override {
    return real_.SetupDiGetDeviceInterfaceDetailW(s, d, dd, n, r, i);
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO s) override { return real_.SetupDiDestroyDeviceInfoList(s); }
  HANDLE CreateFileW(LPCWSTR p, DWORD a, DWORD s, DWORD d, DWORD f) override {
    const HANDLE h = real_.CreateFileW(p, a, s, d, f);
    if (h != INVALID_HANDLE_VALUE) ++opened;
    return h;
  }
  BOOL CloseHandle(HANDLE h) override {
    ++closed;
    return real_.CloseHandle(h);
  }
  BOOLEAN HidD_GetAttributes(HANDLE h, PHIDD_ATTRIBUTES a) override { return real_.HidD_GetAttributes(h, a); }
  BOOLEAN HidD_GetPreparsedData(HANDLE h, PHIDP_PREPARSED_DATA* d) override {
    return real_.HidD_GetPreparsedData(h, d);
  }
  NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA d, PHIDP_CAPS c) override { return real_.HidP_GetCaps(d, c); }
  BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA d) override { return real_.HidD_FreePreparsedData(d); }
  BOOLEAN HidD_SetFeature(HANDLE h, PVOID b, ULONG n) override { return real_.HidD_SetFeature(h, b, n); }
  BOOLEAN HidD_GetFeature(HANDLE h, PVOID b, ULONG n) override { return real_.HidD_GetFeature(h, b, n); }
  DWORD GetLastError() override { return real_.GetLastError(); }
  BOOL CancelSynchronousIo(HANDLE t) override { return real_.CancelSynchronousIo(t); }
  HANDLE OpenThread(DWORD a, DWORD id) override { return real_.OpenThread(a, id); }
  HDEVNOTIFY RegisterDeviceNotificationW(HANDLE r, LPVOID f, DWORD fl) override {
    return real_.RegisterDeviceNotificationW(r, f, fl);
  }
  BOOL UnregisterDeviceNotification(HDEVNOTIFY n) override { return real_.UnregisterDeviceNotification(n); }

 private:
  HidSystemCalls& real_;
};

TEST(WindowsHidBackendSystemTest, RealSetupApiListsOtherDevicesAndOpensNone) {
  CountingCalls calls(SystemHidCalls());
  WindowsHidBackend backend(calls);
  ManualClock clock;
  DeviceLink link(backend, clock);
  const auto listed = backend.Enumerate();
  for (const HidInterfaceInfo& info : listed) {
    EXPECT_FALSE(info.path.empty());
    EXPECT_NE(info.vendorId, 0x4C95) << info.path << ": a TR-58K where none should be";
  }
  EXPECT_EQ(calls.opened, calls.closed);
  EXPECT_EQ(OpenHidDevice(link, 0x5837), 0);
  EXPECT_EQ(OpenHidDevice(link, 0x5836), 0);
  EXPECT_EQ(calls.opened, calls.closed);
  EXPECT_EQ(link.lastOpenError, hid_error::kNone);
  std::printf("real HID interfaces listed: %zu\n", listed.size());
}

}  // namespace
}  // namespace tr58k
