#include <sys/stat.h>

#include "cli/profile_save_check.h"

namespace tr58k {

FileIdentity IdentifyFile(const std::string& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return id;
  id.exists = true;
  id.regular = S_ISREG(st.st_mode);
  id.volume = static_cast<uint64_t>(st.st_dev);
  id.file = static_cast<uint64_t>(st.st_ino);
  id.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  id.changed = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return id;
}

}  // namespace tr58k
