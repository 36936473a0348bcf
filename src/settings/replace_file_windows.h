// Moving a finished temporary file over the profile on Windows, waiting out
// the programs that open a file for a moment just after it is written
// (virus scanners, the search indexer, backup tools): while one holds the
// profile, MoveFileExW fails with access denied or a sharing violation.
#pragma once

#include <cstdint>
#include <string>

#include "device/clock.h"

namespace tr58k {

// How long a save keeps trying, in the clock's milliseconds; the waits
// between tries start at kReplaceFirstWaitMs and double up to kReplaceMaxWaitMs.
inline constexpr uint32_t kReplaceRetryLimitMs = 2000;
inline constexpr uint32_t kReplaceFirstWaitMs = 10;
inline constexpr uint32_t kReplaceMaxWaitMs = 250;

// True for the codes another program's open handle gives a replace:
// access denied, sharing violation, lock violation.
bool IsHeldFileError(uint32_t code);

// Moves `from` over `to` (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
// A failure for which IsHeldFileError holds is tried again after a wait on
// `clock`, until the clock has moved kReplaceRetryLimitMs past the first
// try; any other failure ends at once. Returns false, with `to` as it was
// and `from` still in place, when the last try failed (*error its code).
bool ReplaceFileWaiting(const std::wstring& from, const std::wstring& to, Clock& clock,
                        uint32_t* error = nullptr);

}  // namespace tr58k
