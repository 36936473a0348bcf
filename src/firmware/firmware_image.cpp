#include "firmware/firmware_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/firmware_messages.h"
#include "firmware/test_image_marker.h"

namespace tr58k {

namespace {

int Refuse(FirmwareImage& image, FirmwareUpdateReporter& reporter) {
  image.size = 0;
  image.blockCount = 0;
  reporter.SetStatusText(kImageErrorText);
  return 0;
}

}  // namespace

int LoadFirmwareImage(FirmwareImage& image, std::span<const uint8_t> stored,
                      FirmwareUpdateReporter& reporter) {
  // An image past 120 blocks would not fit, and an empty one would make the
  // transfer announce no blocks and send a block of zeros as the first.
  if (stored.empty() || stored.size() > kMaxFirmwareImageSize) return Refuse(image, reporter);

  image.size = static_cast<int32_t>(stored.size());
  image.blockCount = static_cast<int32_t>(stored.size() / kFirmwareBlockSize);
  size_t readPosition = 0;
  for (int32_t i = 0; i < image.blockCount; ++i) {
    FirmwareBlock& block = image.blocks[static_cast<size_t>(i)];
    std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(readPosition), kFirmwareBlockSize,
                block.begin());
    readPosition += kFirmwareBlockSize;
  }
  const size_t rest = stored.size() % kFirmwareBlockSize;
  if (rest != 0) {
    FirmwareBlock& last = image.blocks[static_cast<size_t>(image.blockCount)];
    last.fill(0);
    std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(readPosition), rest, last.begin());
    ++image.blockCount;
  }
  return 1;
}

int LoadFirmwareImage(FirmwareImage& image, FirmwareUpdateReporter& reporter) {
  return LoadFirmwareImage(image, EmbeddedFirmwareImage(), reporter);
}

int LoadFirmwareImageFile(FirmwareImage& image, const std::string& path,
                          FirmwareUpdateReporter& reporter) {
  // The path is UTF-8: as a u8string it opens the same file on Windows
  // (through the wide file calls) as on Linux.
  std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
  if (!in) return Refuse(image, reporter);
  // One byte past the limit is enough to know the file is too large.
  std::vector<uint8_t> bytes(kMaxFirmwareImageSize + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return Refuse(image, reporter);
  bytes.resize(static_cast<size_t>(in.gcount()));
  return LoadFirmwareImage(image, bytes, reporter);
}

uint16_t BlockChecksum(const FirmwareBlock& block) {
  uint32_t sum = 0;
  for (uint8_t byte : block) sum += byte;
  return static_cast<uint16_t>(sum & 0xFFFFu);
}

uint8_t BlockNumber(int blockIndex) { return static_cast<uint8_t>(blockIndex + 9); }

bool IsTestImage(const FirmwareImage& image) {
  if (image.blockCount <= 0 || image.size < static_cast<int32_t>(kTestImageMarker.size())) {
    return false;
  }
  return std::equal(kTestImageMarker.begin(), kTestImageMarker.end(), image.blocks[0].begin());
}

}  // namespace tr58k
