// The mouse's bootloader commands. Each is one 1041-byte request, a fixed
// wait, and one 1041-byte response, run as one unit on the link (the link's
// lock is held from request to response). Each returns one byte and 1 means
// success: when the request cannot be sent the wait still takes place and
// the result is 2; when the response cannot be read the result is 0 (1 and 2
// for EnterBootloader, see there); otherwise it is the response's status
// byte (1 done, 4 still busy after the link's busy wait, other values the
// bootloader's refusal).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/device_link.h"

namespace tr58k {

namespace boot {
// Command codes.
inline constexpr uint8_t kEnterBootloader = 0x3A;
inline constexpr uint8_t kReadBootInfo = 0x02;
inline constexpr uint8_t kBeginTransfer = 0x03;
inline constexpr uint8_t kWriteBlock = 0x06;
inline constexpr uint8_t kSendFirstBlock = 0x01;
inline constexpr uint8_t kReadBlock = 0x07;
inline constexpr uint8_t kFinishTransfer = 0x09;

// Request fields.
inline constexpr size_t kEntryCode = 5;      // EnterBootloader: 3 bytes
inline constexpr std::array<uint8_t, 3> kEntryCodeBytes = {0x6C, 0x93, 0x1E};
inline constexpr size_t kBlockNumber = 2;    // WriteBlock, ReadBlock
inline constexpr size_t kBlockChecksum = 3;  // WriteBlock, little-endian
inline constexpr size_t kFirstBlockFlag = 2; // SendFirstBlock: 0x01
inline constexpr uint8_t kFirstBlockFlagValue = 0x01;
inline constexpr size_t kBlockCount = 16;    // BeginTransfer: low byte only
inline constexpr size_t kBeginValue = 17;    // BeginTransfer: 4 bytes, little-endian (no block follows)
inline constexpr size_t kBlockData = report::kData;  // 1024 bytes

// Response fields.
inline constexpr size_t kBootInfo = 16;          // ReadBootInfo: 48 bytes
inline constexpr size_t kReadBackChecksum = 6;   // ReadBlock, little-endian
inline constexpr size_t kReadBackData = report::kData;

// BootInfo fields.
inline constexpr size_t kBootInfoSize = 48;
inline constexpr size_t kBootInfoVendor = 4;   // little-endian
inline constexpr size_t kBootInfoProduct = 6;  // little-endian

static_assert(kBlockData + 1024 + 1 == kLongReportLength, "block, then one zero byte");
static_assert(kBootInfo + kBootInfoSize <= kLongReportLength);
static_assert(kBlockChecksum + 2 <= kBlockData, "the checksum sits among the parameters");
}  // namespace boot

using BootInfo = std::array<uint8_t, boot::kBootInfoSize>;

// Report id 0xA1, code 0x3A, entry code 6C 93 1E at bytes 5..7, no wait;
// the answer is read with id 0xA1 and not examined. Returns 1 when it was
// read, else 2.
uint8_t EnterBootloader(DeviceLink& link);

// 0x02, 100 ms. `out` gets response bytes 16..63 whenever the read
// succeeded (whatever the status); untouched otherwise.
uint8_t ReadBootInfo(DeviceLink& link, BootInfo& out);

// 0x03, 50 ms: the low byte of the block count at 16, beginValue at 17..20.
uint8_t BeginTransfer(DeviceLink& link, uint32_t beginValue, uint8_t blockCountLowByte);

// 0x06, 100 ms: the block number at 2, the block's checksum at 3..4, the
// block at 16..1039.
uint8_t WriteBlock(DeviceLink& link, std::span<const uint8_t, 1024> block, uint8_t blockNumber);

// 0x01, 20 ms: 0x01 at 2, the block at 16..1039. The answer must repeat the
// block at 16..1039: when any byte differs the result is 2 even with status 1.
uint8_t SendFirstBlock(DeviceLink& link, std::span<const uint8_t, 1024> block);

// 0x07, 20 ms: the block number at 2. `out` gets the whole response only
// when it was read with status 1 (checksum at 6..7, the block at 16..1039);
// untouched otherwise.
uint8_t ReadBlock(DeviceLink& link, LongReport& out, uint8_t blockNumber);

// 0x09, 50 ms.
uint8_t FinishTransfer(DeviceLink& link);

// The identity a BootInfo names.
uint16_t BootInfoVendorId(const BootInfo& info);
uint16_t BootInfoProductId(const BootInfo& info);

}  // namespace tr58k
