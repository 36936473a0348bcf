#include "device/sim/normal_firmware.h"

#include <algorithm>
#include <array>

#include "device/config_commands.h"
#include "device/device_link.h"

namespace tr58k {

namespace {

constexpr size_t kProfileByte = 5;
constexpr uint8_t kSlotCount = 5;

// 0x3A with the short id and the entry code at bytes 5..7: only this request
// sends the mouse into its bootloader. It is sent long, but a HID class that
// sends a report at its declared length (Windows, and Wine) cuts it to the
// 64 bytes of the short report, the entry code intact.
constexpr uint8_t kEnterBootloader = 0x3A;
constexpr size_t kEntryCodeByte = 5;
constexpr std::array<uint8_t, 3> kEntryCode = {0x6C, 0x93, 0x1E};

bool Framed(std::span<const uint8_t> request, uint8_t reportId, size_t length) {
  return request.size() == length && request[report::kReportId] == reportId;
}

}  // namespace

DeviceConfigBlock FactoryConfigBlock() {
  MouseSettings settings;
  ResetToFactory(settings);
  DeviceSettings device;
  ToDeviceSettings(settings, device);
  DeviceConfigBlock block{};
  EncodeConfigBlock(device, block);
  return block;
}

std::vector<SimCollection> NormalFirmware::Collections() const {
  return {SimCollection{0x0001, 0x0002}, SimCollection{kVendorUsagePage, kVendorUsage}};
}

std::vector<uint8_t> NormalFirmware::HandleRequest(std::span<const uint8_t> request,
                                                   SimMouseState& state) {
  const uint8_t command = request.size() > report::kCommand ? request[report::kCommand] : 0;
  const bool longAnswer = command == kCommandReadConfiguration || command == kEnterBootloader;
  std::vector<uint8_t> response(longAnswer ? kLongReportLength : kShortReportLength, 0);
  response[report::kReportId] = report::kIdShort;
  uint8_t& status = response[report::kStatus];
  status = kSimStatusRejected;

  switch (command) {
    case kCommandReadConfiguration:
      if (!Framed(request, report::kIdShort, kShortReportLength)) break;
      std::copy(state.block.begin(), state.block.end(), response.begin() + report::kData);
      status = report::kStatusDone;
      break;
    case kCommandReadProfileSlot:
      if (!Framed(request, report::kIdShort, kShortReportLength)) break;
      response[report::kData] = state.selectedSlot;
      status = report::kStatusDone;
      break;
    case kCommandWriteConfiguration:
      if (!Framed(request, report::kIdLong, kLongReportLength)) break;
      if (request[kProfileByte] >= kSlotCount) break;
      std::copy_n(request.begin() + report::kData, state.block.size(), state.block.begin());
      status = report::kStatusDone;
      break;
    case kCommandSelectProfile:
      if (!Framed(request, report::kIdShort, kShortReportLength)) break;
      if (request[kProfileByte] >= kSlotCount) break;
      state.selectedSlot = request[kProfileByte];
      status = report::kStatusDone;
      break;
    case kEnterBootloader:
      if (!Framed(request, report::kIdShort, kLongReportLength) &&
          !Framed(request, report::kIdShort, kShortReportLength)) {
        break;
      }
      if (!std::equal(kEntryCode.begin(), kEntryCode.end(), request.begin() + kEntryCodeByte)) break;
      status = report::kStatusDone;
      state.afterResponse = SimModeChange{MouseMode::kBootloader, bootloaderEntryMs_};
      break;
    default:
      break;
  }
  return response;
}

}  // namespace tr58k
