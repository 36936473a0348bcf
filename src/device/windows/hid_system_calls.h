// Every Win32 call of the Windows HID backend, in one table, so that tests
// stand in for the system (enumeration order, decoys, refused opens, error
// codes, devices that vanish) while the program runs the real calls.
#pragma once

#include <windows.h>
#include <setupapi.h>
// mingw-w64's HID headers declare their functions without C linkage.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

namespace tr58k {

// The methods have the Win32 functions' names, arguments and results.
class HidSystemCalls {
 public:
  virtual ~HidSystemCalls() = default;
  virtual void HidD_GetHidGuid(GUID* guid) = 0;
  virtual HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                        DWORD flags) = 0;
  virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA info,
                                           const GUID* classGuid, DWORD index,
                                           PSP_DEVICE_INTERFACE_DATA data) = 0;
  virtual BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                                DWORD detailSize, PDWORD requiredSize,
                                                PSP_DEVINFO_DATA info) = 0;
  virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) = 0;
  virtual HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, DWORD disposition,
                             DWORD flags) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual BOOLEAN HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) = 0;
  virtual BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) = 0;
  virtual NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) = 0;
  virtual BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data) = 0;
  virtual BOOLEAN HidD_SetFeature(HANDLE device, PVOID buffer, ULONG length) = 0;
  virtual BOOLEAN HidD_GetFeature(HANDLE device, PVOID buffer, ULONG length) = 0;
  virtual DWORD GetLastError() = 0;
  // Ends the synchronous I/O pending on `thread` (a handle with
  // THREAD_TERMINATE access); the cancelled call fails with
  // ERROR_OPERATION_ABORTED. FALSE with ERROR_NOT_FOUND when none is pending.
  virtual BOOL CancelSynchronousIo(HANDLE thread) = 0;
  // A handle of the thread `threadId` (closed with CloseHandle), null on failure.
  virtual HANDLE OpenThread(DWORD access, DWORD threadId) = 0;
  virtual HDEVNOTIFY RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) = 0;
  virtual BOOL UnregisterDeviceNotification(HDEVNOTIFY notification) = 0;
};

// The real calls (setupapi.dll, hid.dll, kernel32.dll, user32.dll); lives
// as long as the process.
HidSystemCalls& SystemHidCalls();

}  // namespace tr58k
