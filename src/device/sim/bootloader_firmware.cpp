#include "device/sim/bootloader_firmware.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "device/device_link.h"

namespace tr58k {

namespace {

// The bootloader's side of the wire, written down on its own so that the
// program's layout is checked against it rather than shared with it.
constexpr uint8_t kReadBootInfo = 0x02;
constexpr uint8_t kBegin = 0x03;
constexpr uint8_t kWriteBlock = 0x06;
constexpr uint8_t kFirstBlock = 0x01;
constexpr uint8_t kReadBlock = 0x07;
constexpr uint8_t kFinish = 0x09;

constexpr size_t kBlockNumberByte = 2;   // 0x06, 0x07
constexpr size_t kWriteChecksumByte = 3; // 0x06, little-endian
constexpr size_t kFirstBlockFlagByte = 2;
constexpr size_t kCountByte = 16;        // 0x03
constexpr size_t kBeginValueByte = 17;   // 0x03, little-endian
constexpr size_t kReadChecksumByte = 6;  // 0x07 answer, little-endian
constexpr size_t kBootInfoByte = 16;     // 0x02 answer, 48 bytes
constexpr size_t kBootInfoSize = 48;
constexpr size_t kBootVendorByte = kBootInfoByte + 4;
constexpr size_t kBootProductByte = kBootInfoByte + 6;
constexpr uint8_t kFirstBlockNumber = 9;
constexpr uint8_t kLastBlockNumber = 128;
constexpr uint16_t kWrongProductId = 0x5837;

static_assert(report::kData + SimBlock{}.size() < kLongReportLength);
static_assert(kBootInfoByte + kBootInfoSize <= kLongReportLength);

uint16_t Checksum(const uint8_t* bytes) {
  uint32_t sum = 0;
  for (size_t i = 0; i < SimBlock{}.size(); ++i) sum += bytes[i];
  return static_cast<uint16_t>(sum & 0xFFFFu);
}

uint16_t ReadLe16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void WriteLe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

SimBlock BlockOf(std::span<const uint8_t> request) {
  SimBlock block{};
  std::copy_n(request.begin() + report::kData, block.size(), block.begin());
  return block;
}

}  // namespace

uint16_t NextVersionNumber(uint16_t versionNumber) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(versionNumber));
  const unsigned next = static_cast<unsigned>(std::strtoul(digits, nullptr, 10)) + 1;
  std::snprintf(digits, sizeof digits, "%u", next % 10000);
  return static_cast<uint16_t>(std::strtoul(digits, nullptr, 16));
}

std::vector<SimCollection> BootloaderFirmware::Collections() const {
  return {SimCollection{kVendorUsagePage, kVendorUsage}};
}

std::vector<uint8_t> BootloaderFirmware::HandleRequest(std::span<const uint8_t> request,
                                                       SimMouseState& state) {
  std::lock_guard lock(mutex_);
  return Handle(request, state);
}

std::vector<uint8_t> BootloaderFirmware::Handle(std::span<const uint8_t> request,
                                                SimMouseState& state) {
  std::vector<uint8_t> response(kLongReportLength, 0);
  response[report::kReportId] = report::kIdLong;
  uint8_t& status = response[report::kStatus];
  status = kSimStatusRejected;
  if (request.size() != kLongReportLength || request[report::kReportId] != report::kIdLong) {
    return response;
  }

  switch (request[report::kCommand]) {
    case kReadBootInfo: {
      // A recognisable header, then the identity the program checks.
      const uint8_t header[4] = {'B', 'L', 0x01, 0x00};
      std::copy(std::begin(header), std::end(header), response.begin() + kBootInfoByte);
      WriteLe16(response, kBootVendorByte, kVendorId);
      WriteLe16(response, kBootProductByte,
                options_.wrongBootInfo ? kWrongProductId : kBootloaderProductId);
      status = report::kStatusDone;
      break;
    }
    case kBegin: {
      announcedCount_ = request[kCountByte];
      beginValue_ = static_cast<uint32_t>(request[kBeginValueByte]) |
                    static_cast<uint32_t>(request[kBeginValueByte + 1]) << 8 |
                    static_cast<uint32_t>(request[kBeginValueByte + 2]) << 16 |
                    static_cast<uint32_t>(request[kBeginValueByte + 3]) << 24;
      blocks_.clear();
      writes_.clear();
      reads_.clear();
      status = report::kStatusDone;
      break;
    }
    case kWriteBlock: {
      const uint8_t number = request[kBlockNumberByte];
      const bool inRange = announcedCount_ && number >= kFirstBlockNumber &&
                           number <= kLastBlockNumber &&
                           number < kFirstBlockNumber + *announcedCount_;
      const bool intact = ReadLe16(request, kWriteChecksumByte) ==
                          Checksum(request.data() + report::kData);
      if (!inRange || !intact) {
        ++rejectedWrites_;
        break;
      }
      blocks_[number] = BlockOf(request);
      ++writes_[number];
      status = report::kStatusDone;
      break;
    }
    case kFirstBlock: {
      if (request[kFirstBlockFlagByte] != 0x01) break;
      std::copy_n(request.begin() + report::kData, SimBlock{}.size(),
                  response.begin() + report::kData);
      if (options_.echoMismatches > 0) {
        --options_.echoMismatches;
        response[report::kData + 100] ^= 0x01;
      }
      status = report::kStatusDone;
      break;
    }
    case kReadBlock: {
      const uint8_t number = request[kBlockNumberByte];
      auto stored = blocks_.find(number);
      if (stored == blocks_.end() || options_.readBlockFailsBlock == number) break;
      const uint32_t read = ++reads_[number];
      std::copy(stored->second.begin(), stored->second.end(), response.begin() + report::kData);
      uint16_t checksum = Checksum(stored->second.data());
      if (options_.readBackWrongBlock == number && read <= options_.readBackWrongTimes) {
        if (options_.readBackChecksumOnly) {
          checksum ^= 0x0100;
        } else {
          response[report::kData + 511] ^= 0x80;
        }
      }
      WriteLe16(response, kReadChecksumByte, checksum);
      status = report::kStatusDone;
      break;
    }
    case kFinish: {
      ++finishCount_;
      bool complete = announcedCount_ && *announcedCount_ > 0;
      for (uint8_t i = 0; complete && i < *announcedCount_; ++i) {
        complete = blocks_.count(static_cast<uint8_t>(kFirstBlockNumber + i)) == 1;
      }
      lastFinishComplete_ = complete;
      if (complete) {
        state.versionNumber = options_.versionAfterUpdate != 0
                                  ? options_.versionAfterUpdate
                                  : NextVersionNumber(state.versionNumber);
      }
      // A new firmware starts; a broken one leaves the mouse in its bootloader.
      state.afterResponse = SimModeChange{complete ? MouseMode::kNormal : MouseMode::kBootloader,
                                          options_.returnAfterFinishMs};
      status = report::kStatusDone;
      break;
    }
    default:
      break;
  }
  return response;
}

std::map<uint8_t, SimBlock> BootloaderFirmware::StoredBlocks() const {
  std::lock_guard lock(mutex_);
  return blocks_;
}

std::optional<uint8_t> BootloaderFirmware::AnnouncedBlockCount() const {
  std::lock_guard lock(mutex_);
  return announcedCount_;
}

uint32_t BootloaderFirmware::BeginValue() const {
  std::lock_guard lock(mutex_);
  return beginValue_;
}

uint32_t BootloaderFirmware::WritesOf(uint8_t blockNumber) const {
  std::lock_guard lock(mutex_);
  auto it = writes_.find(blockNumber);
  return it == writes_.end() ? 0 : it->second;
}

uint32_t BootloaderFirmware::RejectedWrites() const {
  std::lock_guard lock(mutex_);
  return rejectedWrites_;
}

uint32_t BootloaderFirmware::FinishCount() const {
  std::lock_guard lock(mutex_);
  return finishCount_;
}

bool BootloaderFirmware::LastFinishComplete() const {
  std::lock_guard lock(mutex_);
  return lastFinishComplete_;
}

}  // namespace tr58k
