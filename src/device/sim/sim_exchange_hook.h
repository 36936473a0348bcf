// The one place where a test can make the simulated mouse misbehave: the
// mouse asks its hook about every open, set and get before carrying it out.
// The mouse that --simulate runs has no hook, so every exchange takes its
// normal course; the tests' fault plan (fault_plan.h, built only with the
// tests) is a hook.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tr58k {

// The three things a program does with the simulated mouse's interfaces.
enum class SimExchangeKind : uint8_t { kOpen, kSet, kGet };

// What becomes of one exchange instead of its normal course.
struct SimExchangeOverride {
  enum class Effect : uint8_t {
    kError,         // the call fails with `code` (open, set or get); a failed
                    // set never reaches the firmware
    kBusy,          // get: the response reads status 4 (busy)
    kStatus,        // get: the response reads `value` as its status byte
    kResponseByte,  // get: the response reads `value` at byte `offset`
    kUnplug,        // the mouse is pulled out just before the exchange, which
                    // then fails with kDeviceNotConnected
  };
  Effect effect = Effect::kError;
  uint32_t code = 0;  // kError
  uint8_t value = 0;  // kStatus, kResponseByte
  size_t offset = 0;  // kResponseByte
};

class SimExchangeHook {
 public:
  virtual ~SimExchangeHook() = default;
  // Called once per exchange, with the mouse's lock held (so it must not call
  // back into the mouse). `command` is a set's command byte, for a get the
  // command of the request whose response it reads, none for an open.
  // Returns nullopt for an exchange that runs normally.
  virtual std::optional<SimExchangeOverride> Intercept(SimExchangeKind kind,
                                                       std::optional<uint8_t> command) = 0;
};

}  // namespace tr58k
