#include "settings/stream_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "settings/profile_file.h"

namespace tr58k {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports the result; a failed close can mean lost data.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads exactly `size` bytes; false on error or an early end of file.
bool ReadAll(int fd, uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Temporary files are named "." + the file's name + kTempMarker + six
// characters that mkostemp picks.
constexpr const char* kTempMarker = ".tmp-";
constexpr size_t kTempUniqueLength = 6;

// Removes the temporary files of `name` from the folder `dirFd` (a writer
// killed before its rename leaves one behind).
void RemoveLeftovers(int dirFd, const std::string& name) {
  const std::string prefix = "." + name + kTempMarker;
  const int listFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (dir == nullptr) {
    ::close(listFd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string entryName = entry->d_name;
    if (entryName.size() == prefix.size() + kTempUniqueLength &&
        entryName.compare(0, prefix.size(), prefix) == 0) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace

bool SaveStreamToFile(const std::string& path, const DataStream& stream) {
  if (path.empty() || path.back() == '/') return false;
  CreateFolderPath(path);

  // Only a regular file or a symbolic link (replaced by the rename, not
  // followed) may stand where the profile goes.
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;

  const size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                     "." + name + kTempMarker + std::string(kTempUniqueLength, 'X');

  // Savers take turns on the folder, each holding its lock from creating
  // its temporary file to the rename, so a temporary file seen under the
  // lock was left by a writer that died and can go. The lock goes with its
  // holder's process, however that ends.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int locked = -1;
  if (dir.get() >= 0) {
    do {
      locked = ::flock(dir.get(), LOCK_EX);
    } while (locked != 0 && errno == EINTR);
  }
  if (locked == 0) RemoveLeftovers(dir.get(), name);

  // The old file stays whole until the new one is complete on disk.
  Fd file(::mkostemp(temp.data(), O_CLOEXEC));  // O_EXCL, mode 0600
  if (file.get() < 0) return false;
  bool written = WriteAll(file.get(), stream.data(), stream.length()) && ::fsync(file.get()) == 0;
  written = file.Close() && written;
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  if (dir.get() >= 0) ::fsync(dir.get());
  return true;
}

bool LoadFileToStream(const std::string& path, DataStream& stream) {
  stream.Adopt(nullptr, 0);
  if (path.empty()) return false;

  // Not even opened unless it is a regular file: opening a device or a FIFO
  // can block or have side effects.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) return false;
  // Checked again on what was opened, in case the path changed meanwhile.
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (st.st_size < 0 || st.st_size > kMaxProfileFileSize) return false;

  const auto size = static_cast<uint32_t>(st.st_size);
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size]);
  if (!block) return false;
  if (!ReadAll(file.get(), block.get(), size)) return false;
  stream.Adopt(std::move(block), size);
  return true;
}

}  // namespace tr58k
