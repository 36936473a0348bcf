// Scripted misbehaviour of the simulated mouse, for tests only (built into
// tr58k_sim_faults, never into the programs): which exchange goes wrong and
// how. A test adds faults before it runs a command (SimulatedMouse::AddFault);
// each fault counts the exchanges it matches and hits the ones it is meant for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "device/sim/sim_exchange_hook.h"

namespace tr58k {

using FaultEffect = SimExchangeOverride::Effect;

struct Fault {
  static constexpr uint32_t kForever = std::numeric_limits<uint32_t>::max();

  SimExchangeKind on = SimExchangeKind::kSet;
  // Only exchanges of this command code; a get belongs to the request whose
  // response it reads. Opens have no command and never match a set code.
  std::optional<uint8_t> command;
  uint32_t skip = 0;   // matching exchanges let through before the first hit
  uint32_t times = 1;  // matching exchanges hit, kForever for all of them
  FaultEffect effect = FaultEffect::kError;
  uint32_t code = 0;   // kError
  uint8_t value = 0;   // kStatus, kResponseByte
  size_t offset = 0;   // kResponseByte

  static Fault OpenError(uint32_t code, uint32_t times = 1);
  static Fault SetError(uint32_t code, uint32_t times = 1);
  static Fault GetError(uint32_t code, uint32_t times = 1);
  static Fault Busy(uint32_t times = 1);
  static Fault BusyForever();
  static Fault Status(uint8_t status, uint32_t times = 1);
  static Fault ResponseByte(size_t offset, uint8_t value, uint32_t times = 1);
  // The slot query (0x03) answers `slot` (above 4 the program refuses it).
  static Fault SlotAnswer(uint8_t slot);
  static Fault UnplugBefore(SimExchangeKind on);

  // Narrowing: only exchanges of `code`; first hit at the n-th (1-based)
  // matching exchange.
  Fault ForCommand(uint8_t code) const;
  Fault Nth(uint32_t n) const;
};

// The faults of one mouse, in the order they were added: the mouse's
// exchange hook. Not thread-safe on its own: the simulated mouse guards it
// with its lock.
class FaultPlan final : public SimExchangeHook {
 public:
  void Add(const Fault& fault);
  void Clear();
  // Faults that have not used up their hits.
  size_t Pending() const;

  // Called once per exchange. Every matching fault counts it; the first one
  // whose skip is used up hits it and is returned. nullopt: no fault.
  std::optional<Fault> Next(SimExchangeKind kind, std::optional<uint8_t> command);

  // SimExchangeHook: what Next hits, as the mouse carries it out.
  std::optional<SimExchangeOverride> Intercept(SimExchangeKind kind,
                                               std::optional<uint8_t> command) override;

 private:
  std::vector<Fault> faults_;
};

}  // namespace tr58k
