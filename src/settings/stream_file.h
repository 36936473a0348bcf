// Whole-file transfer between a DataStream and the profile file: an atomic
// replace for saving, a bounded read of regular files only for loading.
#pragma once

#include <cstdint>
#include <string>

#include "settings/data_stream.h"

namespace tr58k {

// Files above this size are not profiles and are not read.
inline constexpr int64_t kMaxProfileFileSize = 64 * 1024;

// Creates the folders of `path`, writes the stream's `length` bytes to a new
// temporary file beside it, syncs it and renames it over `path`, then syncs
// the folder. A symbolic link at `path` is replaced, never written through.
// Concurrent savers of one folder take turns (a lock on the folder; on
// Windows on the lock file "." + name + ".lock" beside the file, which
// stays), and the temporary files that killed savers left behind are removed.
// Returns false, leaving whatever was at `path` as it was, when `path` is
// empty, names a folder or another non-regular file, or any step fails.
bool SaveStreamToFile(const std::string& path, const DataStream& stream);

// Empties `stream`, then reads the whole file at `path` into it (capacity and
// length the file's size, read position 0). Returns false, the stream left
// empty, when the file is missing, not a regular file (folder, FIFO, device),
// unreadable, larger than kMaxProfileFileSize or shorter than it claimed.
bool LoadFileToStream(const std::string& path, DataStream& stream);

}  // namespace tr58k
