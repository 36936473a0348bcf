// SimulatedMouse's fault switches, built only with the tests (tr58k_sim_faults):
// they install a FaultPlan as the mouse's exchange hook. The programs do not
// link this file, so their simulated mouse has no faults to switch on.
#include "device/sim/fault_plan.h"
#include "device/sim/sim_core.h"
#include "device/sim/simulated_mouse.h"

namespace tr58k {

namespace {

// The hook is a FaultPlan whenever there is one: only this file installs hooks.
FaultPlan& PlanIn(std::unique_ptr<SimExchangeHook>& hook) {
  if (!hook) hook = std::make_unique<FaultPlan>();
  return static_cast<FaultPlan&>(*hook);
}

}  // namespace

void SimulatedMouse::AddFault(const Fault& fault) {
  core_->WithHook([&](std::unique_ptr<SimExchangeHook>& hook) { PlanIn(hook).Add(fault); });
}

void SimulatedMouse::ClearFaults() {
  core_->WithHook([](std::unique_ptr<SimExchangeHook>& hook) {
    if (hook) PlanIn(hook).Clear();
  });
}

size_t SimulatedMouse::PendingFaults() const {
  size_t pending = 0;
  core_->WithHook([&](std::unique_ptr<SimExchangeHook>& hook) {
    if (hook) pending = PlanIn(hook).Pending();
  });
  return pending;
}

}  // namespace tr58k
