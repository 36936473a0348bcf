#include "settings/profile_file.h"

#include "settings/data_stream.h"
#include "settings/profile_serializer.h"
#include "settings/stream_file.h"

namespace tr58k {

bool SaveProfile(const MouseSettings& settings, const std::string& path) {
  if (path.empty()) return false;
  DataStream stream(DataStream::kSaveCapacity);
  if (!SerializeProfile(stream, settings)) return false;
  return SaveStreamToFile(path, stream);
}

bool LoadProfile(MouseSettings& settings, const std::string& path) {
  if (path.empty()) return false;
  DataStream stream;
  if (!LoadFileToStream(path, stream)) return false;
  return DeserializeProfile(stream, settings);
}

}  // namespace tr58k
