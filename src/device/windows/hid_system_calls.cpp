#include "device/windows/hid_system_calls.h"

namespace tr58k {
namespace {

class RealHidSystemCalls final : public HidSystemCalls {
 public:
  void HidD_GetHidGuid(GUID* guid) override { ::HidD_GetHidGuid(guid); }
  HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                DWORD flags) override {
    return ::SetupDiGetClassDevsW(classGuid, enumerator, parent, flags);
  }
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* classGuid,
                                   DWORD index, PSP_DEVICE_INTERFACE_DATA data) override {
    return ::SetupDiEnumDeviceInterfaces(set, info, classGuid, index, data);
  }
  BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                        PDWORD requiredSize, PSP_DEVINFO_DATA info) override {
    return ::SetupDiGetDeviceInterfaceDetailW(set, data, detail, detailSize, requiredSize, info);
  }
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override {
    return ::SetupDiDestroyDeviceInfoList(set);
  }
  HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags) override {
    return ::CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
  }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  BOOLEAN HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) override {
    return ::HidD_GetAttributes(device, attributes);
  }
  BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override {
    return ::HidD_GetPreparsedData(device, data);
  }
  NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) override {
    return ::HidP_GetCaps(data, caps);
  }
  BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override {
    return ::HidD_FreePreparsedData(data);
  }
  BOOLEAN HidD_SetFeature(HANDLE device, PVOID buffer, ULONG length) override {
    return ::HidD_SetFeature(device, buffer, length);
  }
  BOOLEAN HidD_GetFeature(HANDLE device, PVOID buffer, ULONG length) override {
    return ::HidD_GetFeature(device, buffer, length);
  }
  DWORD GetLastError() override { return ::GetLastError(); }
  BOOL CancelSynchronousIo(HANDLE thread) override { return ::CancelSynchronousIo(thread); }
  HANDLE OpenThread(DWORD access, DWORD threadId) override {
    return ::OpenThread(access, FALSE, threadId);
  }
  HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) override {
    return ::RegisterDeviceNotificationW(recipient, filter, flags);
  }
  BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) override {
    return ::UnregisterDeviceNotification(notification);
  }
};

}  // namespace

HidSystemCalls& SystemHidCalls() {
  static RealHidSystemCalls calls;
  return calls;
}

}  // namespace tr58k
