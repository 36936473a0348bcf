#include "device/sim/simulated_firmware_image.h"

#include <algorithm>
#include <array>

#include "firmware/firmware_image.h"

namespace tr58k {

namespace {

constexpr size_t kDemoImageSize = 21504;
// Recognised by the transfer through a hash of these 16 bytes (IsTestImage).
constexpr std::array<char, 16> kDemoImageHead = {'T', 'R', '5', '8', 'K', '-', 'D', 'E',
                                                 'M', 'O', '-', 'I', 'M', 'A', 'G', 'E'};

std::array<uint8_t, kDemoImageSize> MakeImage() {
  std::array<uint8_t, kDemoImageSize> bytes{};
  uint32_t x = 0x2545F491u;  // xorshift32: the same filler every run, different in every block
  for (uint8_t& byte : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<uint8_t>(x >> 24);
  }
  std::copy(kDemoImageHead.begin(), kDemoImageHead.end(), bytes.begin());
  return bytes;
}

}  // namespace

std::span<const uint8_t> SimulatedFirmwareImage() {
  static const std::array<uint8_t, kDemoImageSize> image = MakeImage();
  return image;
}

std::span<const uint8_t> ImageForSimulatedUpdate() {
  const std::span<const uint8_t> builtIn = EmbeddedFirmwareImage();
  return builtIn.empty() ? SimulatedFirmwareImage() : builtIn;
}

}  // namespace tr58k
