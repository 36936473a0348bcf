#include "device/windows/windows_hid_backend.h"

#include <cstddef>
#include <vector>

#include "device/windows/device_notification.h"
#include "settings/wide_text_windows.h"

namespace tr58k {
namespace {

constexpr DWORD kEnumerateFlags = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// The link's code for a failed CreateFileW.
uint32_t OpenErrorCode(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return hid_error::kAccessDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
      return hid_error::kDeviceNotConnected;
    default:
      return code == 0 ? hid_error::kGeneralFailure : code;
  }
}

class WindowsHidDevice final : public HidDevice {
 public:
  WindowsHidDevice(HidSystemCalls& calls, HANDLE handle, size_t featureLength, uint32_t boundMs)
      : calls_(calls), handle_(handle), featureLength_(featureLength), watchdog_(calls, boundMs) {}
  ~WindowsHidDevice() override { calls_.CloseHandle(handle_); }
  WindowsHidDevice(const WindowsHidDevice&) = delete;
  WindowsHidDevice& operator=(const WindowsHidDevice&) = delete;

  uint32_t SetFeature(const uint8_t* data, size_t length) override {
    // HidD_SetFeature takes a writable buffer; the caller's stays untouched.
    std::vector<uint8_t> copy(data, data + length);
    return Bounded(
        [&] { return calls_.HidD_SetFeature(handle_, copy.data(), static_cast<ULONG>(length)); });
  }

  uint32_t GetFeature(uint8_t* data, size_t length) override {
    return Bounded([&] { return calls_.HidD_GetFeature(handle_, data, static_cast<ULONG>(length)); });
  }

  size_t FeatureReportLength() const override { return featureLength_; }

 private:
  // The call under the watchdog. A call cancelled after the bound is a
  // write fault, the code a timed-out request has on Linux; a failure that
  // left no code still counts as one.
  template <typename Call>
  uint32_t Bounded(Call call) {
    BOOLEAN done = FALSE;
    DWORD code = 0;
    const bool overran = watchdog_.Run([&] {
      done = call();
      if (!done) code = calls_.GetLastError();
    });
    if (done) return hid_error::kNone;
    if (overran || code == ERROR_OPERATION_ABORTED) return hid_error::kWriteFault;
    return code == 0 ? hid_error::kGeneralFailure : code;
  }

  HidSystemCalls& calls_;
  HANDLE handle_;
  size_t featureLength_;
  FeatureCallWatchdog watchdog_;
};

// The capabilities of an open interface's top-level collection; false when
// they cannot be read. The preparsed data is released at once.
bool ReadCaps(HidSystemCalls& calls, HANDLE h, HIDP_CAPS* caps) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!calls.HidD_GetPreparsedData(h, &preparsed)) return false;
  *caps = HIDP_CAPS{};
  const bool read = calls.HidP_GetCaps(preparsed, caps) == HIDP_STATUS_SUCCESS;
  calls.HidD_FreePreparsedData(preparsed);
  return read;
}

// The device path of the interface at `index` of `set`; false past the end
// (*more cleared) or when its detail cannot be read.
bool InterfacePath(HidSystemCalls& calls, HDEVINFO set, const GUID& hidGuid, DWORD index,
                   std::wstring* path, bool* more) {
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof data;  // 32 on 64-bit Windows, 28 on 32-bit
  if (!calls.SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &data)) {
    *more = false;
    return false;
  }
  *more = true;
  // Size query first; the record is then filled in a buffer of that size,
  // its size field the record's own fixed part (8 on 64-bit, 6 on 32-bit).
  DWORD required = 0;
  calls.SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return false;
  std::vector<std::byte> buffer(required);
  auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_W>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!calls.SetupDiGetDeviceInterfaceDetailW(set, &data, detail, required, nullptr, nullptr)) {
    return false;
  }
  const size_t maxUnits = (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) /
                          sizeof(wchar_t);
  size_t units = 0;
  while (units < maxUnits && detail->DevicePath[units] != L'\0') ++units;
  path->assign(detail->DevicePath, units);
  return true;
}

// Ids and top-level collection of an open interface; false when its
// attributes cannot be read. Missing capabilities leave usage page and
// usage 0, which no search takes.
bool DescribeOpenInterface(HidSystemCalls& calls, HANDLE h, HidInterfaceInfo* info) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof attributes;  // 12
  if (!calls.HidD_GetAttributes(h, &attributes)) return false;
  info->vendorId = attributes.VendorID;
  info->productId = attributes.ProductID;
  info->versionNumber = attributes.VersionNumber;
  HIDP_CAPS caps;
  if (ReadCaps(calls, h, &caps)) {
    info->usagePage = caps.UsagePage;
    info->usage = caps.Usage;
  }
  return true;
}

}  // namespace

static_assert(sizeof(HIDD_ATTRIBUTES) == 12);

std::vector<HidInterfaceInfo> WindowsHidBackend::Enumerate() {
  std::vector<HidInterfaceInfo> found;
  GUID hidGuid{};
  calls_.HidD_GetHidGuid(&hidGuid);
  const HDEVINFO set = calls_.SetupDiGetClassDevsW(&hidGuid, nullptr, nullptr, kEnumerateFlags);
  if (set == INVALID_HANDLE_VALUE) return found;

  bool more = true;
  for (DWORD index = 0; more; ++index) {
    std::wstring path;
    if (!InterfacePath(calls_, set, hidGuid, index, &path, &more)) continue;
    HANDLE h = calls_.CreateFileW(path.c_str(), kReadWrite, kShareReadWrite, OPEN_EXISTING, 0);
    if (!IsOpen(h) && OpenErrorCode(calls_.GetLastError()) == hid_error::kAccessDenied) {
      // Held by another program or refused: a query-only open still tells
      // what it is, so that the user can be told why it cannot be used.
      h = calls_.CreateFileW(path.c_str(), 0, kShareReadWrite, OPEN_EXISTING, 0);
    }
    if (!IsOpen(h)) continue;
    HidInterfaceInfo info;
    info.path = WideToUtf8(path);
    const bool described = DescribeOpenInterface(calls_, h, &info);
    calls_.CloseHandle(h);
    if (described) found.push_back(std::move(info));
  }
  calls_.SetupDiDestroyDeviceInfoList(set);
  return found;
}

std::unique_ptr<HidDevice> WindowsHidBackend::Open(const std::string& path, uint32_t* error) {
  const std::wstring widePath = Utf8ToWide(path);
  const HANDLE h = calls_.CreateFileW(widePath.c_str(), kReadWrite, kShareReadWrite, OPEN_EXISTING, 0);
  if (!IsOpen(h)) {
    if (error != nullptr) *error = OpenErrorCode(calls_.GetLastError());
    return nullptr;
  }
  if (error != nullptr) *error = hid_error::kNone;
  // Windows may refuse a feature buffer shorter than the collection's
  // longest feature report; the link then pads to this length.
  HIDP_CAPS caps;
  const size_t featureLength = ReadCaps(calls_, h, &caps) ? caps.FeatureReportByteLength : 0;
  return std::make_unique<WindowsHidDevice>(calls_, h, featureLength, featureCallBoundMs_);
}

std::unique_ptr<HidMonitor> WindowsHidBackend::CreateMonitor() {
  return CreateMessageWindowMonitor(calls_);
}

std::unique_ptr<HidBackend> CreateWindowsHidBackend() {
  return std::make_unique<WindowsHidBackend>(SystemHidCalls());
}

}  // namespace tr58k
