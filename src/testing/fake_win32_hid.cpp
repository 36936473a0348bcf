#include "testing/fake_win32_hid.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tr58k {
namespace {

const HDEVINFO kFakeSet = reinterpret_cast<HDEVINFO>(0x5E7);

}  // namespace

GUID FakeHidSystem::HidGuid() {
  return GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

HDEVINFO FakeHidSystem::SetupDiGetClassDevsW(const GUID* classGuid, PCWSTR enumerator, HWND parent,
                                             DWORD flags) {
  ++classDevsCalls;
  lastClassDevsFlags = flags;
  const GUID hid = HidGuid();
  if (classGuid == nullptr || std::memcmp(classGuid, &hid, sizeof hid) != 0 || enumerator != nullptr ||
      parent != nullptr) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  return kFakeSet;
}

BOOL FakeHidSystem::SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID*,
                                                DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
  if (set != kFakeSet || data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    badRecordSize = true;
    lastError_ = ERROR_INVALID_USER_BUFFER;
    return FALSE;
  }
  if (index >= interfaces.size()) {
    lastError_ = ERROR_NO_MORE_ITEMS;
    return FALSE;
  }
  data->Reserved = index;
  return TRUE;
}

BOOL FakeHidSystem::SetupDiGetDeviceInterfaceDetailW(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail,
                                                     DWORD detailSize, PDWORD requiredSize,
                                                     PSP_DEVINFO_DATA) {
  const size_t index = data->Reserved;
  if (set != kFakeSet || index >= interfaces.size() || interfaces[index].detailFails) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  const std::wstring& path = interfaces[index].path;
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                                          (path.size() + 1) * sizeof(wchar_t));
  if (requiredSize != nullptr) *requiredSize = needed;
  if (detail == nullptr || detailSize < needed) {
    lastError_ = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    badRecordSize = true;
    lastError_ = ERROR_INVALID_USER_BUFFER;
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
  return TRUE;
}

BOOL FakeHidSystem::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  ++destroyListCalls;
  return set == kFakeSet;
}

HANDLE FakeHidSystem::CreateFileW(LPCWSTR path, DWORD access, DWORD share, DWORD disposition,
                                  DWORD flags) {
  for (size_t i = 0; i < interfaces.size(); ++i) {
    const FakeHidInterface& it = interfaces[i];
    if (it.path != path) continue;
    const bool readWrite = access == (GENERIC_READ | GENERIC_WRITE);
    if (share != (FILE_SHARE_READ | FILE_SHARE_WRITE) || disposition != OPEN_EXISTING || flags != 0 ||
        (access != 0 && !readWrite)) {
      lastError_ = ERROR_INVALID_PARAMETER;
      return INVALID_HANDLE_VALUE;
    }
    const DWORD error = it.anyOpenError != 0 ? it.anyOpenError : (readWrite ? it.readWriteOpenError : 0);
    if (error != 0) {
      lastError_ = error;
      return INVALID_HANDLE_VALUE;
    }
    if (readWrite) readWriteOpens.push_back(path);
    const auto handle = reinterpret_cast<HANDLE>(nextHandle_++);
    handleInterface_[handle] = i;
    openHandles.insert(handle);
    return handle;
  }
  lastError_ = ERROR_FILE_NOT_FOUND;
  return INVALID_HANDLE_VALUE;
}

BOOL FakeHidSystem::CloseHandle(HANDLE handle) {
  {
    std::lock_guard lock(hangMutex_);
    if (threadHandles_.erase(handle) != 0) return TRUE;
  }
  if (openHandles.erase(handle) == 0) {
    lastError_ = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  return TRUE;
}

const FakeHidInterface* FakeHidSystem::Find(HANDLE handle) const {
  if (openHandles.count(handle) == 0) return nullptr;
  return &interfaces[handleInterface_.at(handle)];
}

BOOLEAN FakeHidSystem::HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes) {
  const FakeHidInterface* it = Find(device);
  if (it == nullptr || it->attributesFail || attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
    if (attributes->Size != sizeof(HIDD_ATTRIBUTES)) badRecordSize = true;
    lastError_ = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  attributes->VendorID = it->vendorId;
  attributes->ProductID = it->productId;
  attributes->VersionNumber = it->versionNumber;
  return TRUE;
}

BOOLEAN FakeHidSystem::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
  const FakeHidInterface* it = Find(device);
  if (it == nullptr) return FALSE;
  *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<FakeHidInterface*>(it));
  ++outstandingPreparsed_;
  return TRUE;
}

NTSTATUS FakeHidSystem::HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
  const auto* it = reinterpret_cast<const FakeHidInterface*>(data);
  *caps = HIDP_CAPS{};
  caps->UsagePage = it->usagePage;
  caps->Usage = it->usage;
  caps->FeatureReportByteLength = it->featureReportByteLength;
  return HIDP_STATUS_SUCCESS;
}

BOOLEAN FakeHidSystem::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA) {
  --outstandingPreparsed_;
  return TRUE;
}

bool FakeHidSystem::RefusesLength(const FakeHidInterface& it, ULONG length) {
  if (!it.refusesShortFeatureBuffers || length >= it.featureReportByteLength) return false;
  lastError_ = ERROR_INVALID_PARAMETER;
  return true;
}

BOOLEAN FakeHidSystem::HangUntilCancelled() {
  std::unique_lock lock(hangMutex_);
  const DWORD self = ::GetCurrentThreadId();
  hanging_.insert(self);
  ++hungCalls_;
  hangChanged_.wait(lock, [&] { return cancelled_.count(self) != 0; });
  cancelled_.erase(self);
  hanging_.erase(self);
  lastError_ = ERROR_OPERATION_ABORTED;
  return FALSE;
}

HANDLE FakeHidSystem::OpenThread(DWORD access, DWORD threadId) {
  // CancelSynchronousIo needs terminate access.
  if ((access & THREAD_TERMINATE) == 0) return nullptr;
  std::lock_guard lock(hangMutex_);
  const auto handle = reinterpret_cast<HANDLE>(nextHandle_++);
  threadHandles_[handle] = threadId;
  return handle;
}

size_t FakeHidSystem::OpenThreadHandles() const {
  std::lock_guard lock(hangMutex_);
  return threadHandles_.size();
}

BOOL FakeHidSystem::CancelSynchronousIo(HANDLE thread) {
  {
    std::lock_guard lock(hangMutex_);
    const auto named = threadHandles_.find(thread);
    if (named == threadHandles_.end()) return FALSE;
    const DWORD id = named->second;
    // Only a call under way is cancelled (GetLastError is the caller's
    // thread's, so ERROR_NOT_FOUND is not recorded here).
    if (hanging_.count(id) == 0 || cancelled_.count(id) != 0) return FALSE;
    cancelled_.insert(id);
    ++cancelledCalls_;
  }
  hangChanged_.notify_all();
  return TRUE;
}

int FakeHidSystem::HungCalls() const {
  std::lock_guard lock(hangMutex_);
  return hungCalls_;
}

int FakeHidSystem::CancelledCalls() const {
  std::lock_guard lock(hangMutex_);
  return cancelledCalls_;
}

BOOLEAN FakeHidSystem::HidD_SetFeature(HANDLE device, PVOID buffer, ULONG length) {
  const FakeHidInterface* it = Find(device);
  if (it == nullptr) {
    lastError_ = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  if (featureCallsHang) return HangUntilCancelled();
  if (RefusesLength(*it, length)) return FALSE;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  sentReports.emplace_back(bytes, bytes + length);
  if (!setFeatureErrors.empty()) {
    lastError_ = setFeatureErrors.front();
    setFeatureErrors.pop_front();
    return FALSE;
  }
  return TRUE;
}

BOOLEAN FakeHidSystem::HidD_GetFeature(HANDLE device, PVOID buffer, ULONG length) {
  const FakeHidInterface* it = Find(device);
  if (it == nullptr) {
    lastError_ = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  if (featureCallsHang) return HangUntilCancelled();
  if (RefusesLength(*it, length)) return FALSE;
  getLengths.push_back(length);
  if (!getFeatureErrors.empty()) {
    lastError_ = getFeatureErrors.front();
    getFeatureErrors.pop_front();
    return FALSE;
  }
  auto* bytes = static_cast<uint8_t*>(buffer);
  if (!featureAnswer.empty()) {
    std::memcpy(bytes, featureAnswer.data(), std::min<size_t>(length, featureAnswer.size()));
  } else if (length > 1) {
    bytes[1] = 1;  // "done", to whatever report id was asked for
  }
  return TRUE;
}

HDEVNOTIFY FakeHidSystem::RegisterDeviceNotificationW(HANDLE recipient, LPVOID filter, DWORD flags) {
  const auto* bytes = static_cast<const uint8_t*>(filter);
  const DWORD size = *static_cast<const DWORD*>(filter);
  lastFilter.assign(bytes, bytes + size);
  lastRecipient = recipient;
  lastNotifyFlags = flags;
  return reinterpret_cast<HDEVNOTIFY>(0xD0);
}

BOOL FakeHidSystem::UnregisterDeviceNotification(HDEVNOTIFY) {
  ++unregisterCalls;
  return TRUE;
}

void FakeHidSystem::Unplug(const std::wstring& path) {
  for (FakeHidInterface& it : interfaces) {
    if (it.path == path) it.anyOpenError = ERROR_FILE_NOT_FOUND;
  }
}

}  // namespace tr58k
