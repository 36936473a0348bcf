#include "firmware/firmware_image.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "firmware/firmware_messages.h"

namespace tr58k {

namespace {

int Refuse(FirmwareImage& image, FirmwareUpdateReporter& reporter) {
  image.size = 0;
  image.blockCount = 0;
  reporter.SetStatusText(Tr(kImageErrorText));
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

namespace {

// The images' first 16 bytes are known here only by their FNV-1a hash, so
// that the programs do not carry the test images' marker ("TR58K-TEST-IMAGE"):
// the installed binaries are searched for it to prove that no test image went
// into them. The simulated mouse's image ("TR58K-DEMO-IMAGE") is recognised
// the same way.
constexpr size_t kImageHeadSize = 16;
constexpr std::array<uint64_t, 2> kTestImageHeadHashes = {0xe08d1b52e044bb8eull,   // test images
                                                          0x094f381fdb14c139ull};  // demo image

uint64_t Fnv1a64(std::span<const uint8_t> bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

}  // namespace

bool IsTestImage(const FirmwareImage& image) {
  if (image.blockCount <= 0 || image.size < static_cast<int32_t>(kImageHeadSize)) return false;
  const uint64_t hash = Fnv1a64(std::span(image.blocks[0]).first(kImageHeadSize));
  return std::find(kTestImageHeadHashes.begin(), kTestImageHeadHashes.end(), hash) !=
         kTestImageHeadHashes.end();
}

}  // namespace tr58k
