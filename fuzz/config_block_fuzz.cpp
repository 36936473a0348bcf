// The mouse's answer to the configuration read (0x07): 1041 bytes of which
// bytes 16..1039 are the configuration block. The input is that answer
// (zero-padded or cut to 1041 bytes). It goes through ReadConfiguration on a
// link to a device that hands it back, and through DecodeConfigBlock and the
// conversions to and from the settings record, which must round-trip.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "device/clock.h"
#include "device/config_commands.h"
#include "device/device_link.h"
#include "fuzz_check.h"
#include "settings/device_settings.h"

namespace tr58k {
namespace {

// One vendor interface whose every read hands back the same answer.
class AnswerDevice final : public HidDevice {
 public:
  explicit AnswerDevice(const LongReport& answer) : answer_(answer) {}
  uint32_t SetFeature(const uint8_t*, size_t) override { return hid_error::kNone; }
  uint32_t GetFeature(uint8_t* data, size_t length) override {
    std::copy_n(answer_.begin(), std::min(length, answer_.size()), data);
    return hid_error::kNone;
  }

 private:
  const LongReport& answer_;
};

class AnswerBackend final : public HidBackend {
 public:
  explicit AnswerBackend(const LongReport& answer) : answer_(answer) {}
  std::vector<HidInterfaceInfo> Enumerate() override {
    return {{"/dev/hidraw0", kVendorId, kMouseProductId, 0x0026, kVendorUsagePage, kVendorUsage}};
  }
  std::unique_ptr<HidDevice> Open(const std::string&, uint32_t*) override {
    return std::make_unique<AnswerDevice>(answer_);
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }

 private:
  const LongReport& answer_;
};

DeviceSettings Sentinel() {
  DeviceSettings s;
  s.profileIndex = 0xEE;
  s.name.fill('N');
  s.dpiLevelCount = 0xEE;
  s.activeLevel = 0xEE;
  s.levels[3].dpiY = 0xEEEE;
  s.colors[3].a = 0xEE;
  return s;
}

void CheckRoundTrips(const DeviceConfigBlock& block) {
  DeviceSettings decoded = Sentinel();
  DecodeConfigBlock(block, decoded);
  FUZZ_CHECK(decoded.name == Sentinel().name, "decoding changed the name");

  // Encoded again, the block decodes to the same settings.
  DeviceConfigBlock again{};
  EncodeConfigBlock(decoded, again);
  DeviceSettings redecoded = Sentinel();
  DecodeConfigBlock(again, redecoded);
  FUZZ_CHECK(redecoded == decoded, "decode, encode, decode changed a field");

  // Into the record and back: every field the mouse is authoritative for
  // survives (the active level travels only with a pending restore).
  MouseSettings record;
  record.restorePending = 1;
  FromDeviceSettings(decoded, record);
  DeviceSettings back;
  ToDeviceSettings(record, back);
  FUZZ_CHECK(back.profileIndex == decoded.profileIndex &&
                 back.reportInterval == decoded.reportInterval &&
                 back.wheelBacklight == decoded.wheelBacklight &&
                 back.dpiLevelCount == decoded.dpiLevelCount &&
                 back.activeLevel == decoded.activeLevel && back.levels == decoded.levels,
             "the record does not carry the mouse's settings back unchanged");
}

}  // namespace
}  // namespace tr58k

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tr58k;
  LongReport answer{};
  std::copy_n(data, std::min(size, answer.size()), answer.begin());

  DeviceConfigBlock block{};
  std::copy_n(answer.begin() + report::kData, block.size(), block.begin());
  CheckRoundTrips(block);

  ManualClock clock;
  AnswerBackend backend(answer);
  DeviceLink link(backend, clock);
  FUZZ_CHECK(OpenHidDevice(link, kMouseProductId) == 1, "the answering interface was not opened");
  DeviceSettings read = Sentinel();
  const uint8_t result = ReadConfiguration(link, read);
  if (answer[report::kStatus] == report::kStatusDone) {
    DeviceSettings expected = Sentinel();
    DecodeConfigBlock(block, expected);
    FUZZ_CHECK(result == kCommandOk && read == expected,
               "a 'done' answer was not read as the block it carries");
  } else {
    FUZZ_CHECK(result == kCommandFailed && read == Sentinel(),
               "an answer without 'done' was taken, or changed the output");
  }
  // A busy answer is polled for 4.5 s at most, after the 80 ms wait.
  FUZZ_CHECK(clock.TotalSleptMs() <= 80 + 4500, "the read waited longer than its schedule");
  return 0;
}
