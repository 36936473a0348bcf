// The profile file on Windows: a temporary file written and flushed beside
// the profile and moved over it with write-through (waiting a moment for a
// program that holds the profile), savers taking turns on a lock file;
// loads share reading and deleting, and read regular files only.
#include "settings/stream_file.h"

#include <windows.h>

#include <memory>
#include <new>

#include "device/clock.h"
#include "settings/profile_file.h"
#include "settings/replace_file_windows.h"
#include "settings/wide_text_windows.h"

namespace tr58k {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  // Closes now and reports the result; a failed close can mean lost data.
  bool Close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

constexpr const wchar_t* kTempMarker = L".tmp-";
constexpr const wchar_t* kLockSuffix = L".lock";
constexpr int kTempNameAttempts = 100;

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool ReadAll(HANDLE file, uint8_t* data, size_t size) {
  while (size > 0) {
    DWORD got = 0;
    if (!::ReadFile(file, data, static_cast<DWORD>(size), &got, nullptr) || got == 0) return false;
    data += got;
    size -= got;
  }
  return true;
}

// Removes the temporary files of `name` in `folder` (a saver killed before
// its move leaves one behind). Runs under the lock only.
void RemoveLeftovers(const std::wstring& folder, const std::wstring& name) {
  const std::wstring pattern = folder + L"." + name + kTempMarker + L"*";
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
}

// A new temporary file beside the profile, "." + name + ".tmp-" + six hex
// digits; INVALID_HANDLE_VALUE when none could be made.
HANDLE CreateTempFile(const std::wstring& folder, const std::wstring& name, std::wstring* temp) {
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  unsigned seed = ::GetCurrentProcessId() * 2654435761u ^ ::GetTickCount() ^
                  (::GetCurrentThreadId() << 16);
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    seed = seed * 1103515245u + 12345u;
    std::wstring unique;
    for (int i = 0; i < 6; ++i) unique += kHex[(seed >> (4 * i + 4)) & 0xF];
    *temp = folder + L"." + name + kTempMarker + unique;
    const HANDLE h = ::CreateFileW(temp->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool SaveStreamToFile(const std::string& path, const DataStream& stream) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return false;
  CreateFolderPath(path);

  const std::wstring widePath = Utf8ToWide(path);
  const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

  const size_t separator = widePath.find_last_of(L"\\/");
  const std::wstring folder = separator == std::wstring::npos ? L"" : widePath.substr(0, separator + 1);
  const std::wstring name = separator == std::wstring::npos ? widePath : widePath.substr(separator + 1);

  // Savers take turns from creating their temporary file to the move, so a
  // temporary file seen under the lock was left by a saver that died. The
  // system drops the lock with its holder's handle, however the process ends.
  Handle lock(::CreateFileW((folder + L"." + name + kLockSuffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
  OVERLAPPED whole{};
  const bool locked = lock.valid() && ::LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD,
                                                   MAXDWORD, &whole);
  if (locked) RemoveLeftovers(folder, name);

  // The old file stays whole until the new one is complete on disk.
  std::wstring temp;
  Handle file(CreateTempFile(folder, name, &temp));
  if (!file.valid()) return false;
  bool written = WriteAll(file.get(), stream.data(), stream.length()) &&
                 ::FlushFileBuffers(file.get()) != 0;
  written = file.Close() && written;
  static SystemClock clock;
  if (!written || !ReplaceFileWaiting(temp, widePath, clock)) {
    ::DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

bool LoadFileToStream(const std::string& path, DataStream& stream) {
  stream.Adopt(nullptr, 0);
  if (path.empty()) return false;

  const std::wstring widePath = Utf8ToWide(path);
  // Not even opened unless a file stands there: opening a device can block
  // or have side effects.
  const DWORD attributes = ::GetFileAttributesW(widePath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // Writers are refused. Delete sharing lets a saver's replace open the file
  // meanwhile; what the system still refuses while it is read, the saver
  // waits out (ReplaceFileWaiting).
  Handle file(::CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  // Checked again on what was opened: a disk file, not a pipe or a console.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      size.QuadPart > kMaxProfileFileSize) {
    return false;
  }

  const auto length = static_cast<uint32_t>(size.QuadPart);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[length]);
  if (!block) return false;
  if (!ReadAll(file.get(), block.get(), length)) return false;
  stream.Adopt(std::move(block), length);
  return true;
}

}  // namespace tr58k
