#include "vmtest/virtual_mouse.h"

#include <algorithm>
#include <cstdio>

#include "device/device_link.h"
#include "device/sim/normal_firmware.h"

namespace tr58k {
namespace {

size_t ModeIndex(MouseMode mode) { return mode == MouseMode::kBootloader ? 1 : 0; }

bool IsVendor(const SimCollection& c) {
  return c.usagePage == kVendorUsagePage && c.usage == kVendorUsage;
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

std::string Hex2(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02x", value);
  return text;
}

}  // namespace

std::string HexBytes(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

VirtualMouse::VirtualMouse(Clock& clock, VirtualMouseOptions options,
                           std::unique_ptr<SimFirmware> normal,
                           std::unique_ptr<SimFirmware> bootloader, LogSink log)
    : clock_(clock), options_(options), log_(std::move(log)), mode_(options.mode) {
  firmware_[0] = std::move(normal);
  firmware_[1] = std::move(bootloader);
  state_.block = FactoryConfigBlock();
  state_.versionNumber = options.versionNumber;
  Arrive();
}

SimFirmware& VirtualMouse::Firmware() { return *firmware_[ModeIndex(mode_)]; }

std::vector<VirtualInterface> VirtualMouse::Interfaces() const {
  std::vector<VirtualInterface> interfaces;
  if (!present_) return interfaces;
  for (const SimCollection& c : firmware_[ModeIndex(mode_)]->Collections()) {
    interfaces.push_back(VirtualInterface{c, ProductIdFor(mode_), state_.versionNumber, IsVendor(c),
                                          options_.shortReportDataBytes});
  }
  return interfaces;
}

// A mouse that declares 0xA1 at the long length gets the short form's
// requests zero-padded to it, and its firmware reads their first 64 bytes;
// anything but zeros past them leaves the request as it came (and refused).
std::span<const uint8_t> VirtualMouse::AsFirmwareReadsIt(std::span<const uint8_t> data) const {
  if (options_.shortReportDataBytes != kVirtualLongReportDataBytes ||
      data.size() <= kShortReportLength || data[report::kReportId] != report::kIdShort ||
      !std::all_of(data.begin() + kShortReportLength, data.end(), [](uint8_t b) { return b == 0; })) {
    return data;
  }
  return data.first(kShortReportLength);
}

void VirtualMouse::Log(const std::string& line) {
  if (log_) log_(line);
}

void VirtualMouse::Arrive() {
  present_ = true;
  returnAtMs_.reset();
  response_.clear();
  busyLeft_ = 0;
  ++generation_;
  Log("arrive " + Hex4(ProductIdFor(mode_)) + " " + Hex4(state_.versionNumber));
}

void VirtualMouse::Leave(uint32_t absentMs, bool forever) {
  // A mouse on its way to another mode gets there however it leaves.
  if (modeChange_) mode_ = modeChange_->mode;
  modeChange_.reset();
  leaveAtMs_.reset();
  if (present_) {
    present_ = false;
    ++generation_;
    Log("leave");
  }
  response_.clear();
  busyLeft_ = 0;
  if (forever) {
    returnAtMs_.reset();
  } else {
    returnAtMs_ = clock_.NowMs() + absentMs;
  }
}

SetOutcome VirtualMouse::OnSetReport(size_t interfaceIndex, std::span<const uint8_t> data) {
  const std::vector<VirtualInterface> interfaces = Interfaces();
  if (interfaceIndex >= interfaces.size()) return {false, false};
  if (!interfaces[interfaceIndex].takesReports) {
    // The mouse collection declares no feature report: the device stalls.
    Log("set other " + HexBytes(data));
    return {true, false};
  }
  Log("set vendor " + HexBytes(data));
  const uint8_t command = data.size() > report::kCommand ? data[report::kCommand] : 0;
  if (options_.unplugAt && options_.unplugAt->command == command &&
      ++triggerMatches_ == options_.unplugAt->occurrence) {
    Log("unplug at " + Hex2(command));
    Leave(options_.replugAfterMs.value_or(0), !options_.replugAfterMs.has_value());
    return {false, false};
  }
  if (options_.muteAt && options_.muteAt->command == command &&
      ++muteMatches_ == options_.muteAt->occurrence) {
    Log("mute at " + Hex2(command));
    muted_ = true;
  }
  ++requests_;
  response_ = Firmware().HandleRequest(AsFirmwareReadsIt(data), state_);
  response_.resize(kVirtualReportLength, 0);
  busyLeft_ = options_.busyEvery != 0 && requests_ % options_.busyEvery == 0 ? options_.busyCount : 0;
  return {true, true};
}

GetOutcome VirtualMouse::OnGetReport(size_t interfaceIndex, uint8_t reportId) {
  GetOutcome outcome;
  const std::vector<VirtualInterface> interfaces = Interfaces();
  if (interfaceIndex >= interfaces.size()) {
    outcome.answer = false;
    return outcome;
  }
  const bool vendor = interfaces[interfaceIndex].takesReports;
  if (vendor && muted_) {
    Log("get vendor " + Hex2(reportId) + " unanswered");
    outcome.answer = false;
    return outcome;
  }
  if (!vendor) {
    Log("get other " + Hex2(reportId));
    outcome.ok = false;
    return outcome;
  }
  outcome.data.assign(kVirtualReportLength, 0);
  if (busyLeft_ > 0) {
    --busyLeft_;
    outcome.data[report::kStatus] = report::kStatusBusy;
  } else if (!response_.empty()) {
    outcome.data = response_;
  }
  // Nothing asked yet: zeros, status 0, as a freshly plugged mouse answers.
  outcome.data[report::kReportId] = reportId;
  Log("get vendor " + Hex2(reportId) + " " + Hex2(outcome.data[report::kStatus]));

  if (outcome.data[report::kStatus] != report::kStatusBusy && state_.afterResponse) {
    modeChange_ = state_.afterResponse;
    state_.afterResponse.reset();
    leaveAtMs_ = clock_.NowMs() + kLeaveAfterAnswerMs;
  }
  return outcome;
}

void VirtualMouse::Unplug() {
  Log("unplug");
  Leave(options_.replugAfterMs.value_or(0), !options_.replugAfterMs.has_value());
}

void VirtualMouse::Plug() {
  Log("plug");
  if (!present_) Arrive();
}

std::optional<uint64_t> VirtualMouse::Tick() {
  const uint64_t now = clock_.NowMs();
  if (present_ && leaveAtMs_ && now >= *leaveAtMs_) Leave(modeChange_->absentMs, false);
  if (!present_ && returnAtMs_ && now >= *returnAtMs_) Arrive();
  return present_ ? leaveAtMs_ : returnAtMs_;
}

}  // namespace tr58k
