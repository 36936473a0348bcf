#include "vmtest/firmware_models.h"

#include "device/device_link.h"
#include "device/sim/normal_firmware.h"

namespace tr58k {
namespace {

// Until the simulated mouse has a model of its bootloader: the vendor
// collection under the bootloader's identity, refusing every request.
class RefusingBootloader final : public SimFirmware {
 public:
  std::vector<SimCollection> Collections() const override {
    return {SimCollection{kVendorUsagePage, kVendorUsage}};
  }
  std::vector<uint8_t> HandleRequest(std::span<const uint8_t>, SimMouseState&) override {
    std::vector<uint8_t> response(kLongReportLength, 0);
    response[report::kReportId] = report::kIdLong;
    response[report::kStatus] = kSimStatusRejected;
    return response;
  }
};

}  // namespace

std::unique_ptr<SimFirmware> MakeNormalFirmware() { return std::make_unique<NormalFirmware>(); }

std::unique_ptr<SimFirmware> MakeBootloaderFirmware() {
  return std::make_unique<RefusingBootloader>();
}

}  // namespace tr58k
