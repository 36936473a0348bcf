#include "settings/replace_file_windows.h"

#include <windows.h>

#include <algorithm>

namespace tr58k {

bool IsHeldFileError(uint32_t code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
         code == ERROR_LOCK_VIOLATION;
}

bool ReplaceFileWaiting(const std::wstring& from, const std::wstring& to, Clock& clock,
                        uint32_t* error) {
  const uint64_t deadline = clock.NowMs() + kReplaceRetryLimitMs;
  uint32_t wait = kReplaceFirstWaitMs;
  for (;;) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      if (error != nullptr) *error = ERROR_SUCCESS;
      return true;
    }
    const uint32_t code = ::GetLastError();
    if (error != nullptr) *error = code;
    const uint64_t now = clock.NowMs();
    if (!IsHeldFileError(code) || now >= deadline) return false;
    // The last wait ends at the deadline, so the last try comes at the bound.
    clock.Sleep(static_cast<uint32_t>(std::min<uint64_t>(wait, deadline - now)));
    wait = std::min(wait * 2, kReplaceMaxWaitMs);
  }
}

}  // namespace tr58k
