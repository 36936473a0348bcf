// The firmware image cut into 1024-byte blocks, as the bootloader takes it.
// The image is opaque: its bytes are copied in their stored order and never
// decoded or changed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "firmware/update_reporter.h"

namespace tr58k {

inline constexpr size_t kFirmwareBlockSize = 1024;
inline constexpr int kMaxFirmwareBlocks = 120;
inline constexpr size_t kMaxFirmwareImageSize = kFirmwareBlockSize * kMaxFirmwareBlocks;

using FirmwareBlock = std::array<uint8_t, kFirmwareBlockSize>;

// About 120 KiB held inline: the caller decides where it lives (the update
// window holds it as a member); loading allocates nothing for the blocks.
struct FirmwareImage {
  int32_t size = 0;        // bytes of the stored image
  int32_t blockCount = 0;  // blocks in use: size / 1024, rounded up
  // Block i holds bytes 1024*i .. 1024*i+1023; the last one is zero-padded.
  // Blocks at and beyond blockCount are not used.
  std::array<FirmwareBlock, kMaxFirmwareBlocks> blocks;
  // Carried in BeginTransfer's bytes 17..20. Nothing gives it a meaning, so
  // it is always 0, which makes every transfer of an image the same.
  uint32_t beginValue = 0;
};
static_assert(sizeof(FirmwareBlock) == kFirmwareBlockSize);

// Cuts `stored` into `image`'s blocks. Returns 1 loaded, 0 refused: an empty
// image or one larger than 120 blocks (122,880 bytes). On refusal the status
// text "读取固件文件错误，请重试！" has been set and the image holds no
// blocks (size and blockCount 0), so a stale image cannot be sent.
int LoadFirmwareImage(FirmwareImage& image, std::span<const uint8_t> stored,
                      FirmwareUpdateReporter& reporter);

// The image this program carries (EmbeddedFirmwareImage()). Returns 0 with
// the same text when the build carries none.
int LoadFirmwareImage(FirmwareImage& image, FirmwareUpdateReporter& reporter);

// The image stored in a file. Returns 0 with the same text when the file
// cannot be read, is empty or is larger than 120 blocks (it is not read
// further than one byte past the limit).
int LoadFirmwareImageFile(FirmwareImage& image, const std::string& path,
                          FirmwareUpdateReporter& reporter);

// The bytes built into the program from the image named at configure time
// (TR58K_FIRMWARE_IMAGE); empty when the build was given none.
std::span<const uint8_t> EmbeddedFirmwareImage();

// Sum of the block's bytes modulo 65,536.
uint16_t BlockChecksum(const FirmwareBlock& block);

// The wire number of block i (counted from 0): i + 9.
uint8_t BlockNumber(int blockIndex);

// True for the images made for tests and the simulated mouse: the test
// images the build writes and the simulated mouse's SimulatedFirmwareImage(),
// told apart by their first 16 bytes.
bool IsTestImage(const FirmwareImage& image);

}  // namespace tr58k
