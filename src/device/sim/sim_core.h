// The state and behaviour behind SimulatedMouse, shared with the handles and
// monitors it hands out (they may outlive the SimulatedMouse object). One
// mutex guards everything.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/sim/sim_exchange_hook.h"
#include "device/sim/sim_monitor.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

class SimMouseCore {
 public:
  SimMouseCore(Clock& clock, const SimulatedMouseOptions& options);

  std::vector<HidInterfaceInfo> Enumerate();
  // Returns kNone with the interface's sequence number in *sequence, or a
  // failure code.
  uint32_t Open(const std::string& path, uint32_t* sequence);
  uint32_t SetFeature(uint32_t sequence, const uint8_t* data, size_t length);
  uint32_t GetFeature(uint32_t sequence, uint8_t* data, size_t length);
  std::shared_ptr<SimEventChannel> Subscribe();

  void Plug();
  void Unplug();
  bool IsPlugged() const;
  bool IsPresent();
  void Reenumerate(MouseMode mode, uint32_t absentMs);
  void CatchUp();
  MouseMode Mode() const;
  uint16_t VersionNumber() const;
  void SetVersionNumber(uint16_t version);
  void SetFirmware(MouseMode mode, std::unique_ptr<SimFirmware> firmware);

  // Runs `edit` on the exchange hook (empty unless a test installed one)
  // under the mouse's lock.
  void WithHook(const std::function<void(std::unique_ptr<SimExchangeHook>&)>& edit);

  DeviceConfigBlock Block() const;
  void SetBlock(const DeviceConfigBlock& block);
  uint8_t SelectedSlot() const;
  void SetSelectedSlot(uint8_t slot);
  std::vector<SimExchange> Exchanges() const;
  void ClearLog();

 private:
  struct LiveInterface {
    HidInterfaceInfo info;
    std::string eventPath;
    uint32_t sequence = 0;
    bool takesReports = false;  // the vendor collection
    std::vector<uint8_t> pendingRequest;
    std::vector<uint8_t> pendingResponse;
    std::optional<SimModeChange> afterResponse;
  };

  void CatchUpLocked();
  void AppearLocked();
  void DisappearLocked();
  void ReenumerateLocked(MouseMode mode, uint32_t absentMs);
  void PostLocked(HidEventKind kind, const std::string& path);
  LiveInterface* FindLocked(uint32_t sequence);
  std::optional<SimExchangeOverride> InterceptLocked(SimExchangeKind kind,
                                                     std::optional<uint8_t> command);
  SimFirmware& FirmwareLocked();
  void LogLocked(SimExchangeKind kind, const std::string& path, const uint8_t* data,
                 size_t length, uint32_t error);

  mutable std::mutex mutex_;
  Clock& clock_;
  const unsigned firstHidrawMinor_;
  uint32_t nextSequence_;
  bool plugged_;
  bool present_ = false;
  uint64_t returnAtMs_ = 0;
  MouseMode mode_;
  SimMouseState state_;
  std::array<std::unique_ptr<SimFirmware>, 2> firmware_;
  std::unique_ptr<SimExchangeHook> hook_;
  std::vector<LiveInterface> interfaces_;
  std::vector<std::weak_ptr<SimEventChannel>> channels_;
  std::vector<SimExchange> log_;
};

}  // namespace tr58k
