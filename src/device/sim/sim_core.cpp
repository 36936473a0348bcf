#include "device/sim/sim_core.h"

#include <algorithm>
#include <cstdio>

#include "device/device_link.h"
#include "device/sim/bootloader_firmware.h"
#include "device/sim/normal_firmware.h"

namespace tr58k {

namespace {

using Effect = SimExchangeOverride::Effect;

size_t ModeIndex(MouseMode mode) { return mode == MouseMode::kBootloader ? 1 : 0; }

}  // namespace

uint16_t ProductIdFor(MouseMode mode) {
  return mode == MouseMode::kBootloader ? kBootloaderProductId : kMouseProductId;
}

SimMouseCore::SimMouseCore(Clock& clock, const SimulatedMouseOptions& options)
    : clock_(clock),
      firstHidrawMinor_(options.firstHidrawMinor),
      nextSequence_(options.firstSequence),
      plugged_(options.plugged),
      mode_(options.mode) {
  state_.block = FactoryConfigBlock();
  state_.versionNumber = options.versionNumber;
  firmware_[ModeIndex(MouseMode::kNormal)] = std::make_unique<NormalFirmware>();
  firmware_[ModeIndex(MouseMode::kBootloader)] = std::make_unique<BootloaderFirmware>();
  if (plugged_) AppearLocked();
}

// ---- presence ---------------------------------------------------------------

void SimMouseCore::CatchUpLocked() {
  if (plugged_ && !present_ && clock_.NowMs() >= returnAtMs_) AppearLocked();
}

void SimMouseCore::AppearLocked() {
  const uint16_t productId = ProductIdFor(mode_);
  const std::vector<SimCollection> collections = FirmwareLocked().Collections();
  interfaces_.clear();
  for (size_t i = 0; i < collections.size(); ++i) {
    LiveInterface live;
    live.sequence = nextSequence_++;
    const unsigned minor = firstHidrawMinor_ + static_cast<unsigned>(i);
    live.info.path = "/dev/hidraw" + std::to_string(minor);
    live.info.vendorId = kVendorId;
    live.info.productId = productId;
    live.info.usagePage = collections[i].usagePage;
    live.info.usage = collections[i].usage;
    live.takesReports = collections[i].usagePage == kVendorUsagePage &&
                        collections[i].usage == kVendorUsage;
    char node[96];
    std::snprintf(node, sizeof node, "/devices/virtual/tr58k-sim/0003:%04X:%04X.%04X/hidraw/hidraw%u",
                  kVendorId, productId, static_cast<unsigned>(live.sequence & 0xFFFF), minor);
    live.eventPath = node;
    interfaces_.push_back(std::move(live));
  }
  present_ = true;
  for (const LiveInterface& live : interfaces_) PostLocked(HidEventKind::kArrival, live.eventPath);
}

void SimMouseCore::DisappearLocked() {
  if (!present_) return;
  for (const LiveInterface& live : interfaces_) {
    PostLocked(HidEventKind::kRemoveComplete, live.eventPath);
  }
  interfaces_.clear();
  present_ = false;
}

void SimMouseCore::ReenumerateLocked(MouseMode mode, uint32_t absentMs) {
  DisappearLocked();
  mode_ = mode;
  returnAtMs_ = clock_.NowMs() + absentMs;
  CatchUpLocked();
}

void SimMouseCore::PostLocked(HidEventKind kind, const std::string& path) {
  std::erase_if(channels_, [](const std::weak_ptr<SimEventChannel>& c) { return c.expired(); });
  for (const auto& weak : channels_) {
    if (auto channel = weak.lock()) channel->Post(HidEvent{kind, path});
  }
}

SimMouseCore::LiveInterface* SimMouseCore::FindLocked(uint32_t sequence) {
  for (LiveInterface& live : interfaces_) {
    if (live.sequence == sequence) return &live;
  }
  return nullptr;
}

std::optional<SimExchangeOverride> SimMouseCore::InterceptLocked(SimExchangeKind kind,
                                                                 std::optional<uint8_t> command) {
  if (!hook_) return std::nullopt;
  return hook_->Intercept(kind, command);
}

SimFirmware& SimMouseCore::FirmwareLocked() { return *firmware_[ModeIndex(mode_)]; }

void SimMouseCore::LogLocked(SimExchangeKind kind, const std::string& path, const uint8_t* data,
                             size_t length, uint32_t error) {
  SimExchange entry;
  entry.kind = kind;
  entry.path = path;
  if (data != nullptr) entry.bytes.assign(data, data + length);
  entry.error = error;
  log_.push_back(std::move(entry));
}

// ---- the backend ------------------------------------------------------------

std::vector<HidInterfaceInfo> SimMouseCore::Enumerate() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  std::vector<HidInterfaceInfo> result;
  for (const LiveInterface& live : interfaces_) {
    HidInterfaceInfo info = live.info;
    info.versionNumber = state_.versionNumber;
    result.push_back(info);
  }
  return result;
}

uint32_t SimMouseCore::Open(const std::string& path, uint32_t* sequence) {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  uint32_t error = hid_error::kNone;
  if (std::optional<SimExchangeOverride> change = InterceptLocked(SimExchangeKind::kOpen, std::nullopt)) {
    if (change->effect == Effect::kUnplug) {
      DisappearLocked();
      plugged_ = false;
      error = hid_error::kDeviceNotConnected;
    } else if (change->effect == Effect::kError) {
      error = change->code;
    }
  }
  if (error == hid_error::kNone) {
    auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                           [&](const LiveInterface& live) { return live.info.path == path; });
    if (it == interfaces_.end()) {
      error = hid_error::kDeviceNotConnected;
    } else {
      *sequence = it->sequence;
    }
  }
  LogLocked(SimExchangeKind::kOpen, path, nullptr, 0, error);
  return error;
}

uint32_t SimMouseCore::SetFeature(uint32_t sequence, const uint8_t* data, size_t length) {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  LiveInterface* live = FindLocked(sequence);
  const std::string path = live ? live->info.path : std::string();
  auto fail = [&](uint32_t code) {
    LogLocked(SimExchangeKind::kSet, path, data, length, code);
    return code;
  };
  if (!live) return fail(hid_error::kDeviceNotConnected);
  if (!live->takesReports || data == nullptr || length < 2) {
    return fail(hid_error::kGeneralFailure);
  }
  if (std::optional<SimExchangeOverride> change = InterceptLocked(SimExchangeKind::kSet, data[report::kCommand])) {
    if (change->effect == Effect::kUnplug) {
      DisappearLocked();
      plugged_ = false;
      return fail(hid_error::kDeviceNotConnected);
    }
    if (change->effect == Effect::kError) return fail(change->code);
  }
  state_.afterResponse.reset();
  live->pendingRequest.assign(data, data + length);
  live->pendingResponse = FirmwareLocked().HandleRequest(live->pendingRequest, state_);
  live->afterResponse = state_.afterResponse;
  state_.afterResponse.reset();
  LogLocked(SimExchangeKind::kSet, path, data, length, hid_error::kNone);
  return hid_error::kNone;
}

uint32_t SimMouseCore::GetFeature(uint32_t sequence, uint8_t* data, size_t length) {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  LiveInterface* live = FindLocked(sequence);
  const std::string path = live ? live->info.path : std::string();
  auto fail = [&](uint32_t code) {
    LogLocked(SimExchangeKind::kGet, path, nullptr, 0, code);
    return code;
  };
  if (!live) return fail(hid_error::kDeviceNotConnected);
  if (!live->takesReports || data == nullptr || length < 2) {
    return fail(hid_error::kGeneralFailure);
  }
  std::optional<uint8_t> command;
  if (live->pendingRequest.size() > report::kCommand) command = live->pendingRequest[report::kCommand];
  std::optional<SimExchangeOverride> change = InterceptLocked(SimExchangeKind::kGet, command);
  if (change && change->effect == Effect::kUnplug) {
    DisappearLocked();
    plugged_ = false;
    return fail(hid_error::kDeviceNotConnected);
  }
  if (change && change->effect == Effect::kError) return fail(change->code);

  const uint8_t reportId = data[report::kReportId];
  std::fill(data, data + length, uint8_t{0});
  std::copy_n(live->pendingResponse.begin(), std::min(length, live->pendingResponse.size()), data);
  data[report::kReportId] = reportId;
  bool answered = true;
  if (change) {
    switch (change->effect) {
      case Effect::kBusy:
        data[report::kStatus] = report::kStatusBusy;
        answered = false;
        break;
      case Effect::kStatus:
        data[report::kStatus] = change->value;
        break;
      case Effect::kResponseByte:
        if (change->offset < length) data[change->offset] = change->value;
        break;
      default:
        break;
    }
  }
  LogLocked(SimExchangeKind::kGet, path, data, length, hid_error::kNone);
  // A firmware that leaves the bus after answering does so once its answer
  // has been read.
  if (answered && live->afterResponse) {
    const SimModeChange change = *live->afterResponse;
    live->afterResponse.reset();
    ReenumerateLocked(change.mode, change.absentMs);
  }
  return hid_error::kNone;
}

std::shared_ptr<SimEventChannel> SimMouseCore::Subscribe() {
  std::shared_ptr<SimEventChannel> channel = SimEventChannel::Create();
  if (!channel) return nullptr;
  std::lock_guard lock(mutex_);
  channels_.push_back(channel);
  return channel;
}

// ---- the model's controls ------------------------------------------------------

void SimMouseCore::Plug() {
  std::lock_guard lock(mutex_);
  if (plugged_) return;
  plugged_ = true;
  returnAtMs_ = 0;
  AppearLocked();
}

void SimMouseCore::Unplug() {
  std::lock_guard lock(mutex_);
  DisappearLocked();
  plugged_ = false;
}

bool SimMouseCore::IsPlugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

bool SimMouseCore::IsPresent() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
  return present_;
}

void SimMouseCore::Reenumerate(MouseMode mode, uint32_t absentMs) {
  std::lock_guard lock(mutex_);
  ReenumerateLocked(mode, absentMs);
}

void SimMouseCore::CatchUp() {
  std::lock_guard lock(mutex_);
  CatchUpLocked();
}

MouseMode SimMouseCore::Mode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

uint16_t SimMouseCore::VersionNumber() const {
  std::lock_guard lock(mutex_);
  return state_.versionNumber;
}

void SimMouseCore::SetVersionNumber(uint16_t version) {
  std::lock_guard lock(mutex_);
  state_.versionNumber = version;
}

void SimMouseCore::SetFirmware(MouseMode mode, std::unique_ptr<SimFirmware> firmware) {
  if (!firmware) return;
  std::lock_guard lock(mutex_);
  firmware_[ModeIndex(mode)] = std::move(firmware);
}

void SimMouseCore::WithHook(const std::function<void(std::unique_ptr<SimExchangeHook>&)>& edit) {
  std::lock_guard lock(mutex_);
  edit(hook_);
}

DeviceConfigBlock SimMouseCore::Block() const {
  std::lock_guard lock(mutex_);
  return state_.block;
}

void SimMouseCore::SetBlock(const DeviceConfigBlock& block) {
  std::lock_guard lock(mutex_);
  state_.block = block;
}

uint8_t SimMouseCore::SelectedSlot() const {
  std::lock_guard lock(mutex_);
  return state_.selectedSlot;
}

void SimMouseCore::SetSelectedSlot(uint8_t slot) {
  std::lock_guard lock(mutex_);
  state_.selectedSlot = slot;
}

std::vector<SimExchange> SimMouseCore::Exchanges() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void SimMouseCore::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

}  // namespace tr58k
