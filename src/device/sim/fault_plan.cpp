#include "device/sim/fault_plan.h"

#include <algorithm>

#include "device/config_commands.h"

namespace tr58k {

namespace {

Fault Make(SimExchangeKind on, FaultEffect effect, uint32_t times) {
  Fault fault;
  fault.on = on;
  fault.effect = effect;
  fault.times = times;
  return fault;
}

}  // namespace

Fault Fault::OpenError(uint32_t code, uint32_t times) {
  Fault fault = Make(SimExchangeKind::kOpen, FaultEffect::kError, times);
  fault.code = code;
  return fault;
}

Fault Fault::SetError(uint32_t code, uint32_t times) {
  Fault fault = Make(SimExchangeKind::kSet, FaultEffect::kError, times);
  fault.code = code;
  return fault;
}

Fault Fault::GetError(uint32_t code, uint32_t times) {
  Fault fault = Make(SimExchangeKind::kGet, FaultEffect::kError, times);
  fault.code = code;
  return fault;
}

Fault Fault::Busy(uint32_t times) {
  return Make(SimExchangeKind::kGet, FaultEffect::kBusy, times);
}

Fault Fault::BusyForever() { return Busy(kForever); }

Fault Fault::Status(uint8_t status, uint32_t times) {
  Fault fault = Make(SimExchangeKind::kGet, FaultEffect::kStatus, times);
  fault.value = status;
  return fault;
}

Fault Fault::ResponseByte(size_t offset, uint8_t value, uint32_t times) {
  Fault fault = Make(SimExchangeKind::kGet, FaultEffect::kResponseByte, times);
  fault.offset = offset;
  fault.value = value;
  return fault;
}

Fault Fault::SlotAnswer(uint8_t slot) {
  return ResponseByte(16, slot).ForCommand(kCommandReadProfileSlot);
}

Fault Fault::UnplugBefore(SimExchangeKind on) { return Make(on, FaultEffect::kUnplug, 1); }

Fault Fault::ForCommand(uint8_t code) const {
  Fault fault = *this;
  fault.command = code;
  return fault;
}

Fault Fault::Nth(uint32_t n) const {
  Fault fault = *this;
  fault.skip = n > 0 ? n - 1 : 0;
  return fault;
}

void FaultPlan::Add(const Fault& fault) {
  if (fault.times > 0) faults_.push_back(fault);
}

void FaultPlan::Clear() { faults_.clear(); }

size_t FaultPlan::Pending() const { return faults_.size(); }

std::optional<Fault> FaultPlan::Next(SimExchangeKind kind, std::optional<uint8_t> command) {
  std::optional<Fault> hit;
  for (auto it = faults_.begin(); it != faults_.end();) {
    Fault& fault = *it;
    const bool matches = fault.on == kind && (!fault.command || fault.command == command);
    if (!matches) {
      ++it;
      continue;
    }
    if (fault.skip > 0) {
      --fault.skip;
      ++it;
      continue;
    }
    if (hit) {
      ++it;
      continue;
    }
    hit = fault;
    if (fault.times != Fault::kForever && --fault.times == 0) {
      it = faults_.erase(it);
    } else {
      ++it;
    }
  }
  return hit;
}

std::optional<SimExchangeOverride> FaultPlan::Intercept(SimExchangeKind kind,
                                                        std::optional<uint8_t> command) {
  const std::optional<Fault> fault = Next(kind, command);
  if (!fault) return std::nullopt;
  return SimExchangeOverride{fault->effect, fault->code, fault->value, fault->offset};
}

}  // namespace tr58k
