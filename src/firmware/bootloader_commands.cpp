#include "firmware/bootloader_commands.h"

#include <algorithm>

namespace tr58k {

namespace {

constexpr uint32_t kReadBootInfoWaitMs = 100;
constexpr uint32_t kBeginTransferWaitMs = 50;
constexpr uint32_t kWriteBlockWaitMs = 100;
constexpr uint32_t kSendFirstBlockWaitMs = 20;
constexpr uint32_t kReadBlockWaitMs = 20;
constexpr uint32_t kFinishTransferWaitMs = 50;

constexpr uint8_t kNotSent = 2;
constexpr uint8_t kNotRead = 0;

LongReport Request(uint8_t command) {
  LongReport request{};
  request[report::kReportId] = report::kIdLong;
  request[report::kCommand] = command;
  return request;
}

void PutBlock(LongReport& request, std::span<const uint8_t, 1024> block) {
  std::copy(block.begin(), block.end(), request.begin() + boot::kBlockData);
}

uint16_t Checksum(std::span<const uint8_t, 1024> block) {
  uint32_t sum = 0;
  for (uint8_t byte : block) sum += byte;
  return static_cast<uint16_t>(sum & 0xFFFFu);
}

// Request, wait, response into `response` (byte 0 set to the report id).
// Returns kNotSent, kNotRead, or 1 when the response was read.
uint8_t Exchange(DeviceLink& link, const LongReport& request, uint32_t waitMs,
                 LongReport& response) {
  const int sent = SendFeatureReport(link, request.data(), request.size());
  link.Sleep(waitMs);
  if (sent != 1) return kNotSent;
  response.fill(0);
  response[report::kReportId] = report::kIdLong;
  if (ReceiveFeatureReport(link, response.data(), response.size()) != 1) return kNotRead;
  return 1;
}

// The commands whose result is the status byte, or 0 when nothing was read.
uint8_t StatusCommand(DeviceLink& link, const LongReport& request, uint32_t waitMs) {
  auto lock = link.Lock();
  LongReport response{};
  const uint8_t exchanged = Exchange(link, request, waitMs, response);
  return exchanged == 1 ? response[report::kStatus] : exchanged;
}

}  // namespace

uint8_t EnterBootloader(DeviceLink& link) {
  LongReport request{};
  request[report::kReportId] = report::kIdShort;
  request[report::kCommand] = boot::kEnterBootloader;
  std::copy(boot::kEntryCodeBytes.begin(), boot::kEntryCodeBytes.end(),
            request.begin() + boot::kEntryCode);

  auto lock = link.Lock();
  if (SendFeatureReport(link, request.data(), request.size()) != 1) return kNotSent;
  LongReport response{};
  response[report::kReportId] = report::kIdShort;
  return ReceiveFeatureReport(link, response.data(), response.size()) == 1 ? 1 : 2;
}

uint8_t ReadBootInfo(DeviceLink& link, BootInfo& out) {
  auto lock = link.Lock();
  LongReport response{};
  const uint8_t exchanged = Exchange(link, Request(boot::kReadBootInfo), kReadBootInfoWaitMs,
                                     response);
  // A failed read hands nothing back; its result is the status byte of an
  // answer that never came, 0.
  if (exchanged != 1) return exchanged;
  std::copy_n(response.begin() + boot::kBootInfo, out.size(), out.begin());
  return response[report::kStatus];
}

uint8_t BeginTransfer(DeviceLink& link, uint32_t beginValue, uint8_t blockCountLowByte) {
  LongReport request = Request(boot::kBeginTransfer);
  request[boot::kBlockCount] = blockCountLowByte;
  for (size_t i = 0; i < 4; ++i) {
    request[boot::kBeginValue + i] = static_cast<uint8_t>(beginValue >> (8 * i));
  }
  return StatusCommand(link, request, kBeginTransferWaitMs);
}

uint8_t WriteBlock(DeviceLink& link, std::span<const uint8_t, 1024> block, uint8_t blockNumber) {
  LongReport request = Request(boot::kWriteBlock);
  request[boot::kBlockNumber] = blockNumber;
  const uint16_t checksum = Checksum(block);
  request[boot::kBlockChecksum] = static_cast<uint8_t>(checksum & 0xFF);
  request[boot::kBlockChecksum + 1] = static_cast<uint8_t>(checksum >> 8);
  PutBlock(request, block);
  return StatusCommand(link, request, kWriteBlockWaitMs);
}

uint8_t SendFirstBlock(DeviceLink& link, std::span<const uint8_t, 1024> block) {
  LongReport request = Request(boot::kSendFirstBlock);
  request[boot::kFirstBlockFlag] = boot::kFirstBlockFlagValue;
  PutBlock(request, block);

  auto lock = link.Lock();
  LongReport response{};
  const uint8_t exchanged = Exchange(link, request, kSendFirstBlockWaitMs, response);
  if (exchanged != 1) return exchanged;
  if (!std::equal(block.begin(), block.end(), response.begin() + boot::kBlockData)) return 2;
  return response[report::kStatus];
}

uint8_t ReadBlock(DeviceLink& link, LongReport& out, uint8_t blockNumber) {
  LongReport request = Request(boot::kReadBlock);
  request[boot::kBlockNumber] = blockNumber;

  auto lock = link.Lock();
  LongReport response{};
  const uint8_t exchanged = Exchange(link, request, kReadBlockWaitMs, response);
  if (exchanged != 1) return exchanged;
  const uint8_t status = response[report::kStatus];
  if (status == report::kStatusDone) out = response;
  return status;
}

uint8_t FinishTransfer(DeviceLink& link) {
  return StatusCommand(link, Request(boot::kFinishTransfer), kFinishTransferWaitMs);
}

uint16_t BootInfoVendorId(const BootInfo& info) {
  return static_cast<uint16_t>(info[boot::kBootInfoVendor] | info[boot::kBootInfoVendor + 1] << 8);
}

uint16_t BootInfoProductId(const BootInfo& info) {
  return static_cast<uint16_t>(info[boot::kBootInfoProduct] |
                               info[boot::kBootInfoProduct + 1] << 8);
}

}  // namespace tr58k
