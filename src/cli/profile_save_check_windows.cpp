#include <windows.h>

#include "cli/profile_save_check.h"
#include "settings/wide_text_windows.h"

namespace tr58k {

// A replaced file has a new file index; a rewritten one a new write time.
FileIdentity IdentifyFile(const std::string& path) {
  FileIdentity id;
  const std::wstring wide = Utf8ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return id;
  id.exists = true;
  id.regular = (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
  // Opened for its attributes only, sharing everything: no saver is disturbed.
  const HANDLE h = ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return id;
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileInformationByHandle(h, &info)) {
    id.volume = info.dwVolumeSerialNumber;
    id.file = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    id.modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                       info.ftLastWriteTime.dwLowDateTime);
    id.changed = static_cast<int64_t>((uint64_t{info.ftCreationTime.dwHighDateTime} << 32) |
                                      info.ftCreationTime.dwLowDateTime);
  }
  ::CloseHandle(h);
  return id;
}

}  // namespace tr58k
