// The configuration commands. Each holds the link's lock from its request to
// its response, so another thread's command or an open or close cannot land
// between them.
#include "device/config_commands.h"

#include <algorithm>

namespace tr58k {

namespace {

constexpr uint32_t kReadConfigurationWaitMs = 80;
constexpr uint32_t kReadProfileSlotWaitMs = 10;
constexpr uint32_t kWriteConfigurationWaitMs = 80;
constexpr uint32_t kSelectProfileWaitMs = 1500;

constexpr size_t kProfileByte = 5;       // write and select requests
constexpr size_t kWriteFlagByte = 6;     // write request, always 1
constexpr uint8_t kHighestSlot = 4;

static_assert(report::kData + kConfigBlockSize < kLongReportLength,
              "the block and its trailing zero byte fit the long report");

ShortReport ShortRequest(uint8_t command) {
  ShortReport request{};
  request[report::kReportId] = report::kIdShort;
  request[report::kCommand] = command;
  return request;
}

// The write and the select do not judge the status byte (the mouse answers
// them with various values), but a response still busy after the whole busy
// wait means the mouse never took the command, so that one is a failure.
uint8_t AcceptUnlessBusy(int received, const ShortReport& response) {
  if (received != 1) return kCommandFailed;
  return response[report::kStatus] == report::kStatusBusy ? kCommandFailed : kCommandOk;
}

}  // namespace

uint8_t ReadConfiguration(DeviceLink& link, DeviceSettings& out) {
  auto lock = link.Lock();
  const ShortReport request = ShortRequest(kCommandReadConfiguration);
  const int sent = SendFeatureReport(link, request.data(), request.size());
  link.Sleep(kReadConfigurationWaitMs);
  if (sent != 1) return kCommandFailed;

  LongReport response{};
  response[report::kReportId] = report::kIdShort;
  if (ReceiveFeatureReport(link, response.data(), response.size()) != 1 ||
      response[report::kStatus] != report::kStatusDone) {
    return kCommandFailed;
  }
  DeviceConfigBlock block{};
  std::copy_n(response.begin() + report::kData, block.size(), block.begin());
  DecodeConfigBlock(block, out);
  return kCommandOk;
}

uint8_t ReadProfileSlot(DeviceLink& link, uint8_t& out) {
  auto lock = link.Lock();
  const ShortReport request = ShortRequest(kCommandReadProfileSlot);
  if (SendFeatureReport(link, request.data(), request.size()) != 1) return kCommandFailed;
  link.Sleep(kReadProfileSlotWaitMs);

  ShortReport response{};
  response[report::kReportId] = report::kIdShort;
  if (ReceiveFeatureReport(link, response.data(), response.size()) != 1) return kCommandFailed;
  const uint8_t slot = response[report::kData];
  if (slot > kHighestSlot) return kCommandFailed;
  out = slot;
  return kCommandOk;
}

uint8_t WriteConfiguration(DeviceLink& link, const DeviceSettings& settings, uint8_t profile) {
  DeviceConfigBlock block{};
  EncodeConfigBlock(settings, block);
  LongReport request{};
  request[report::kReportId] = report::kIdLong;
  request[report::kCommand] = kCommandWriteConfiguration;
  request[kProfileByte] = profile;
  request[kWriteFlagByte] = 1;
  std::copy(block.begin(), block.end(), request.begin() + report::kData);

  auto lock = link.Lock();
  const int sent = SendFeatureReport(link, request.data(), request.size());
  link.Sleep(kWriteConfigurationWaitMs);
  if (sent != 1) return kCommandFailed;

  ShortReport response{};
  response[report::kReportId] = report::kIdShort;
  return AcceptUnlessBusy(ReceiveFeatureReport(link, response.data(), response.size()), response);
}

uint8_t SelectProfile(DeviceLink& link, uint8_t profile) {
  ShortReport request = ShortRequest(kCommandSelectProfile);
  request[kProfileByte] = profile;

  auto lock = link.Lock();
  if (SendFeatureReport(link, request.data(), request.size()) != 1) return kCommandFailed;
  link.Sleep(kSelectProfileWaitMs);

  ShortReport response{};
  response[report::kReportId] = report::kIdShort;
  return AcceptUnlessBusy(ReceiveFeatureReport(link, response.data(), response.size()), response);
}

}  // namespace tr58k
