#include "faults/record_bytes.h"

#include <gtest/gtest.h>

#include "settings/data_stream.h"
#include "settings/profile_serializer.h"

namespace tr58k::faults {

std::vector<uint8_t> ProfileBytes(const MouseSettings& settings) {
  DataStream stream(DataStream::kSaveCapacity);
  EXPECT_TRUE(SerializeProfile(stream, settings));
  return {stream.data(), stream.data() + stream.length()};
}

DeviceConfigBlock BlockOf(const MouseSettings& settings) {
  DeviceSettings device;
  ToDeviceSettings(settings, device);
  DeviceConfigBlock block{};
  EncodeConfigBlock(device, block);
  return block;
}

}  // namespace tr58k::faults
