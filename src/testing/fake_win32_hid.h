// A stand-in for the Win32 calls of the Windows HID backend: HID interfaces
// listed in a set order, each with its ids and collection, ways to refuse an
// open or vanish, scripted feature-report failures, Windows' rule on short
// feature buffers, a device that stops answering, and a record of every
// handle so that tests see what was left open.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "device/windows/hid_system_calls.h"

namespace tr58k {

struct FakeHidInterface {
  std::wstring path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  DWORD readWriteOpenError = 0;  // CreateFileW with read/write access fails with it
  DWORD anyOpenError = 0;        // every CreateFileW fails with it
  bool detailFails = false;      // SetupDiGetDeviceInterfaceDetailW refuses it
  bool attributesFail = false;
  uint16_t featureReportByteLength = 0;  // HidP_GetCaps' FeatureReportByteLength
  // Windows' documented rule: a feature buffer shorter than
  // featureReportByteLength fails with ERROR_INVALID_PARAMETER, and nothing
  // reaches the device.
  bool refusesShortFeatureBuffers = false;
};

class FakeHidSystem final : public HidSystemCalls {
 public:
  std::vector<FakeHidInterface> interfaces;
  // Failure codes the next HidD_SetFeature / HidD_GetFeature calls give,
  // front first; success once empty.
  std::deque<DWORD> setFeatureErrors;
  std::deque<DWORD> getFeatureErrors;
  // What a successful HidD_GetFeature copies into the buffer (as much as
  // fits); when empty it sets only byte 1, status "done".
  std::vector<uint8_t> featureAnswer;
  // A device that stopped answering: every feature call blocks until
  // CancelSynchronousIo names its thread, then fails with
  // ERROR_OPERATION_ABORTED.
  bool featureCallsHang = false;

  // What the backend did.
  std::set<HANDLE> openHandles;
  std::vector<std::wstring> readWriteOpens;  // paths opened for reading and writing
  int classDevsCalls = 0;
  int destroyListCalls = 0;
  DWORD lastClassDevsFlags = 0;
  bool badRecordSize = false;  // a record arrived without its size field set right
  std::vector<std::vector<uint8_t>> sentReports;  // every set the device took or failed
  std::vector<ULONG> getLengths;                   // every get's buffer length
  std::vector<uint8_t> lastFilter;  // RegisterDeviceNotificationW's filter bytes
  HANDLE lastRecipient = nullptr;
  DWORD lastNotifyFlags = 0xFFFFFFFF;
  int unregisterCalls = 0;

  static GUID HidGuid();

  void HidD_GetHidGuid(GUID* guid) override { *guid = HidGuid(); }
  HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                DWORD flags) override;
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info, const GUID* classGuid,
                                   DWORD index, PSP_DEVICE_INTERFACE_DATA data) override;
  BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD detailSize,
                                        PDWORD requiredSize, PSP_DEVINFO_DATA info) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
  HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags) override;
  BOOL CloseHandle(HANDLE handle) override;
  BOOLEAN HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) override;
  BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override;
  NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) override;
  BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) override;
  BOOLEAN HidD_SetFeature(HANDLE device, PVOID buffer, ULONG length) override;
  BOOLEAN HidD_GetFeature(HANDLE device, PVOID buffer, ULONG length) override;
  DWORD GetLastError() override { return lastError_; }
  BOOL CancelSynchronousIo(HANDLE thread) override;
  HANDLE OpenThread(DWORD access, DWORD threadId) override;
  HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) override;
  BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) override;

  // Removes the interface at `path` (unplugged): opens of it fail from now on.
  void Unplug(const std::wstring& path);
  int OutstandingPreparsed() const { return outstandingPreparsed_; }
  // Feature calls that blocked, and cancels that found one pending.
  int HungCalls() const;
  int CancelledCalls() const;
  // Thread handles from OpenThread not closed yet.
  size_t OpenThreadHandles() const;

 private:
  const FakeHidInterface* Find(HANDLE handle) const;
  // Blocks the calling thread until its call is cancelled; FALSE.
  BOOLEAN HangUntilCancelled();
  // True (ERROR_INVALID_PARAMETER set) when the rule on short buffers refuses `length`.
  bool RefusesLength(const FakeHidInterface& it, ULONG length);

  DWORD lastError_ = 0;
  std::atomic<uintptr_t> nextHandle_{0x1000};
  std::map<HANDLE, size_t> handleInterface_;
  int outstandingPreparsed_ = 0;

  // The hanging calls: one thread may block while another cancels.
  mutable std::mutex hangMutex_;
  std::condition_variable hangChanged_;
  std::set<DWORD> hanging_;    // threads blocked in a feature call
  std::set<DWORD> cancelled_;  // of those, the ones cancelled
  std::map<HANDLE, DWORD> threadHandles_;  // OpenThread's, to their thread
  int hungCalls_ = 0;
  int cancelledCalls_ = 0;
};

}  // namespace tr58k
