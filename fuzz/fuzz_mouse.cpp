#include "fuzz_mouse.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "device/device_link.h"
#include "device/sim/bootloader_firmware.h"
#include "device/sim/normal_firmware.h"

namespace tr58k {
namespace {

// Failure codes by the input's byte (low four bits): mostly success, then
// every retryable code, a plain failure, an unplugged mouse, a refusal.
constexpr std::array<uint32_t, 16> kErrors = {
    hid_error::kNone,          hid_error::kNone,          hid_error::kNone,
    hid_error::kNone,          hid_error::kNone,          hid_error::kNone,
    hid_error::kNone,          hid_error::kNone,          hid_error::kNotReady,
    hid_error::kCrc,           hid_error::kWriteFault,    hid_error::kInvalidParameter,
    hid_error::kFunctionFailed, hid_error::kGeneralFailure, hid_error::kDeviceNotConnected,
    hid_error::kAccessDenied};

// How a read answers, by the input's byte.
enum AnswerKind : uint8_t { kSensible = 0, kZeros = 1, kArbitrary = 2, kPatched = 3 };

class FuzzDevice final : public HidDevice {
 public:
  explicit FuzzDevice(FuzzMouse& mouse) : mouse_(mouse) {}
  uint32_t SetFeature(const uint8_t* data, size_t length) override { return mouse_.Set(data, length); }
  uint32_t GetFeature(uint8_t* data, size_t length) override { return mouse_.Get(data, length); }

 private:
  FuzzMouse& mouse_;
};

HidInterfaceInfo VendorInterface(MouseMode mode, uint16_t version) {
  const bool normal = mode == MouseMode::kNormal;
  return {normal ? "/dev/hidraw1" : "/dev/hidraw2", kVendorId, ProductIdFor(mode), version,
          kVendorUsagePage, kVendorUsage};
}

}  // namespace

FuzzMouse::FuzzMouse(FuzzedDataProvider& input, MouseMode startMode)
    : input_(input),
      mode_(startMode),
      normal_(std::make_unique<NormalFirmware>(0)),
      bootloader_(std::make_unique<BootloaderFirmware>(SimBootloaderOptions{.returnAfterFinishMs = 0})) {
  state_.block = FactoryConfigBlock();
  state_.versionNumber = 0x0026;
  habits_ = input_.ConsumeIntegral<uint8_t>();
}

FuzzMouse::~FuzzMouse() = default;

std::vector<HidInterfaceInfo> FuzzMouse::Enumerate() {
  if (gone_) return {};
  if (awayFor_ > 0) {
    --awayFor_;
    return {};
  }
  const uint8_t shape = input_.ConsumeIntegral<uint8_t>();
  if (shape & 1) {
    // Away (re-enumerating, unplugged), for this and up to 15 more looks.
    awayFor_ = shape >> 4;
    return {};
  }
  std::vector<HidInterfaceInfo> list;
  const HidInterfaceInfo own = VendorInterface(mode_, state_.versionNumber);
  if (shape & 2) {  // the pointer collection of the same device first
    HidInterfaceInfo decoy = own;
    decoy.usagePage = 0x0001;
    list.push_back(decoy);
  }
  list.push_back(own);
  if (shape & 4) {  // both identities at once (a second mouse, a stale node)
    const MouseMode other = mode_ == MouseMode::kNormal ? MouseMode::kBootloader : MouseMode::kNormal;
    list.push_back(VendorInterface(other, state_.versionNumber));
  }
  return list;
}

std::unique_ptr<HidDevice> FuzzMouse::Open(const std::string& path, uint32_t* error) {
  const uint32_t code = NextError();
  if (code != hid_error::kNone) {
    if (error != nullptr) *error = code;
    return nullptr;
  }
  openedProduct_ = ProductIdFor(path == "/dev/hidraw1" ? MouseMode::kNormal : MouseMode::kBootloader);
  return std::make_unique<FuzzDevice>(*this);
}

uint32_t FuzzMouse::NextError() { return kErrors[input_.ConsumeIntegral<uint8_t>() & 0x0F]; }

uint32_t FuzzMouse::Set(const uint8_t* data, size_t length) {
  ++log_.sets;
  log_.setError = NextError();
  if (log_.setError != hid_error::kNone) return log_.setError;

  const std::span<const uint8_t> request(data, length);
  if (length == kLongReportLength && data[report::kReportId] == report::kIdLong && data[1] == 0x06) {
    log_.writtenBlocks.insert(data[2]);
  }
  SimFirmware& firmware = mode_ == MouseMode::kNormal ? *normal_ : *bootloader_;
  pendingAnswer_ = firmware.HandleRequest(request, state_);
  if (state_.afterResponse) {
    // The mouse answers, then shows up in its new mode.
    const MouseMode next = state_.afterResponse->mode;
    state_.afterResponse.reset();
    const bool entering = mode_ == MouseMode::kNormal && next == MouseMode::kBootloader;
    gone_ = (entering && (habits_ & kNoBootloaderAfterEntry)) ||
            (!entering && (habits_ & kNoReturnAfterFinish));
    mode_ = next;
  }
  return hid_error::kNone;
}

uint32_t FuzzMouse::Get(uint8_t* data, size_t length) {
  ++log_.gets;
  log_.getError = NextError();
  if (log_.getError != hid_error::kNone) {
    // A failed read leaves anything in the buffer.
    std::memset(data, 0xEE, length);
    return log_.getError;
  }
  const uint8_t reportId = data[report::kReportId];
  std::vector<uint8_t> answer(length, 0);
  switch (input_.ConsumeIntegral<uint8_t>() & 3) {
    case kSensible:
      std::copy_n(pendingAnswer_.begin(), std::min(length, pendingAnswer_.size()), answer.begin());
      break;
    case kZeros:
      break;
    case kArbitrary: {
      const std::vector<uint8_t> bytes = input_.ConsumeBytes<uint8_t>(length);
      std::copy(bytes.begin(), bytes.end(), answer.begin());
      break;
    }
    case kPatched: {
      std::copy_n(pendingAnswer_.begin(), std::min(length, pendingAnswer_.size()), answer.begin());
      const int patches = input_.ConsumeIntegralInRange<int>(1, 8);
      for (int i = 0; i < patches; ++i) {
        const size_t at = input_.ConsumeIntegralInRange<size_t>(0, length - 1);
        answer[at] = input_.ConsumeIntegral<uint8_t>();
      }
      break;
    }
  }
  answer[report::kReportId] = reportId;
  // 0: the status as it is; n: status n - 1 (2 gives "done", 5 "busy").
  if (const uint8_t status = input_.ConsumeIntegral<uint8_t>(); status != 0) {
    answer[report::kStatus] = static_cast<uint8_t>(status - 1);
  }
  std::copy(answer.begin(), answer.end(), data);
  log_.answer = std::move(answer);
  return hid_error::kNone;
}

}  // namespace tr58k
