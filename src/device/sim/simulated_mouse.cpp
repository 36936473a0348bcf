#include "device/sim/simulated_mouse.h"

#include "device/sim/sim_core.h"
#include "device/sim/sim_monitor.h"

namespace tr58k {

namespace {

// An open interface of the simulated mouse. It names the interface by its
// sequence number, so once that appearance is gone it fails for good.
class SimHidDevice final : public HidDevice {
 public:
  SimHidDevice(std::shared_ptr<SimMouseCore> core, uint32_t sequence)
      : core_(std::move(core)), sequence_(sequence) {}
  uint32_t SetFeature(const uint8_t* data, size_t length) override {
    return core_->SetFeature(sequence_, data, length);
  }
  uint32_t GetFeature(uint8_t* data, size_t length) override {
    return core_->GetFeature(sequence_, data, length);
  }

 private:
  std::shared_ptr<SimMouseCore> core_;
  uint32_t sequence_;
};

}  // namespace

SimulatedMouse::SimulatedMouse(Clock& clock, SimulatedMouseOptions options)
    : core_(std::make_shared<SimMouseCore>(clock, options)) {}

// The mouse is gone for whoever still holds a handle or a monitor.
SimulatedMouse::~SimulatedMouse() { core_->Unplug(); }

std::vector<HidInterfaceInfo> SimulatedMouse::Enumerate() { return core_->Enumerate(); }

std::unique_ptr<HidDevice> SimulatedMouse::Open(const std::string& path, uint32_t* error) {
  uint32_t sequence = 0;
  const uint32_t code = core_->Open(path, &sequence);
  if (error) *error = code;
  if (code != hid_error::kNone) return nullptr;
  return std::make_unique<SimHidDevice>(core_, sequence);
}

std::unique_ptr<HidMonitor> SimulatedMouse::CreateMonitor() {
  std::shared_ptr<SimEventChannel> channel = core_->Subscribe();
  if (!channel) return nullptr;
  std::weak_ptr<SimMouseCore> core = core_;
  return std::make_unique<SimMonitor>(std::move(channel), [core] {
    if (auto alive = core.lock()) alive->CatchUp();
  });
}

void SimulatedMouse::Plug() { core_->Plug(); }
void SimulatedMouse::Unplug() { core_->Unplug(); }
bool SimulatedMouse::IsPlugged() const { return core_->IsPlugged(); }
bool SimulatedMouse::IsPresent() const { return core_->IsPresent(); }
void SimulatedMouse::Reenumerate(MouseMode mode, uint32_t absentMs) {
  core_->Reenumerate(mode, absentMs);
}
void SimulatedMouse::CatchUp() { core_->CatchUp(); }
MouseMode SimulatedMouse::Mode() const { return core_->Mode(); }
uint16_t SimulatedMouse::VersionNumber() const { return core_->VersionNumber(); }
void SimulatedMouse::SetVersionNumber(uint16_t version) { core_->SetVersionNumber(version); }
void SimulatedMouse::SetFirmware(MouseMode mode, std::unique_ptr<SimFirmware> firmware) {
  core_->SetFirmware(mode, std::move(firmware));
}

DeviceConfigBlock SimulatedMouse::Block() const { return core_->Block(); }
void SimulatedMouse::SetBlock(const DeviceConfigBlock& block) { core_->SetBlock(block); }
uint8_t SimulatedMouse::SelectedSlot() const { return core_->SelectedSlot(); }
void SimulatedMouse::SetSelectedSlot(uint8_t slot) { core_->SetSelectedSlot(slot); }
std::vector<SimExchange> SimulatedMouse::Exchanges() const { return core_->Exchanges(); }

std::vector<std::vector<uint8_t>> SimulatedMouse::Requests() const {
  std::vector<std::vector<uint8_t>> requests;
  for (const SimExchange& exchange : core_->Exchanges()) {
    if (exchange.kind == SimExchangeKind::kSet && exchange.error == hid_error::kNone) {
      requests.push_back(exchange.bytes);
    }
  }
  return requests;
}

void SimulatedMouse::ClearLog() { core_->ClearLog(); }

}  // namespace tr58k
