// The profile file is whatever lies at the profile path: any bytes at all.
// Each input is parsed twice, from memory (DeserializeProfile) and from a
// file (LoadProfile), and both must keep the loader's promises: all fields
// or none, nothing beyond the bytes read, and a loaded record that saves
// back to the very bytes it came from.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "settings/data_stream.h"
#include "settings/profile_file.h"
#include "settings/profile_serializer.h"
#include "settings/stream_file.h"

namespace tr58k {
namespace {

// A record unlike the defaults in every field, so that "untouched" shows.
MouseSettings Sentinel() {
  MouseSettings s;
  s.profilePath = "/nonexistent/sentinel";
  s.profileIndex = 3;
  s.profileName = u"sentinel 名";
  s.auxOption = -7;
  s.reportInterval = kInterval125Hz;
  s.wheelBacklight = 9;
  s.levelColor = {1, 2, 3, 4};
  s.dpiLevelCount = 2;
  s.activeLevel = 1;
  s.levelAttribute = {11, 12, 13, 14};
  s.dpi = {DpiPair{50, 100}, DpiPair{150, 200}, DpiPair{250, 300}, DpiPair{350, 400}};
  s.restorePending = 5;
  return s;
}

int32_t StoredNameCount(const uint8_t* data) {
  uint32_t n = 0;
  for (int i = 0; i < 4; ++i) n |= uint32_t{data[4 + i]} << (8 * i);
  return static_cast<int32_t>(n);
}

// A file in memory that LoadProfile can open by path like any regular file.
const std::string& MemoryFilePath(int* fd) {
  static int memfd = memfd_create("profile", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(memfd);
  *fd = memfd;
  return path;
}

void CheckMemoryLoad(const uint8_t* data, size_t size, const MouseSettings& before,
                     MouseSettings& loaded, bool& ok) {
  DataStream stream;
  auto block = std::make_unique<uint8_t[]>(size);
  if (size > 0) std::memcpy(block.get(), data, size);
  stream.Adopt(std::move(block), static_cast<uint32_t>(size));

  loaded = before;
  ok = DeserializeProfile(stream, loaded);
  FUZZ_CHECK(stream.readPos() <= stream.length(), "read beyond the loaded bytes");
  if (!ok) {
    FUZZ_CHECK(loaded == before, "a refused profile changed the record");
    return;
  }
  FUZZ_CHECK(size >= 46, "a profile shorter than its fixed fields was accepted");
  FUZZ_CHECK(loaded.profilePath == before.profilePath && loaded.levelColor == before.levelColor &&
                 loaded.restorePending == before.restorePending &&
                 loaded.levelAttribute[3] == before.levelAttribute[3],
             "a field the file does not hold was changed");

  // Saved again, the record gives back the bytes that were read; a name
  // count of 0 or less is written back as 0.
  DataStream out(DataStream::kSaveCapacity);
  FUZZ_CHECK(SerializeProfile(out, loaded), "a loaded record could not be serialised");
  std::vector<uint8_t> expected(data, data + stream.readPos());
  if (StoredNameCount(data) < 0) std::fill(expected.begin() + 4, expected.begin() + 8, 0);
  FUZZ_CHECK(out.length() == expected.size() &&
                 std::equal(expected.begin(), expected.end(), out.data()),
             "load then save does not give back the bytes read");
}

}  // namespace
}  // namespace tr58k

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tr58k;
  const MouseSettings before = Sentinel();
  MouseSettings fromMemory;
  bool memoryOk = false;
  CheckMemoryLoad(data, size, before, fromMemory, memoryOk);

  // The same bytes as the file at the profile path.
  int fd = -1;
  const std::string& path = MemoryFilePath(&fd);
  FUZZ_CHECK(fd >= 0, "memfd_create failed");
  FUZZ_CHECK(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
             "could not write the profile file");
  MouseSettings fromFile = before;
  const bool fileOk = LoadProfile(fromFile, path);
  if (static_cast<int64_t>(size) > kMaxProfileFileSize) {
    FUZZ_CHECK(!fileOk && fromFile == before, "an oversized file was loaded");
  } else {
    FUZZ_CHECK(fileOk == memoryOk && fromFile == fromMemory,
               "the file and the same bytes in memory load differently");
  }
  return 0;
}
