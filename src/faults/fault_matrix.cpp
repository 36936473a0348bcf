#include "faults/fault_matrix.h"

#include <array>
#include <cstdio>
#include <map>

#include "device/hid_backend.h"

namespace tr58k::faults {

namespace {

// The commands, as the mouse's two protocols number them.
constexpr uint8_t kReadConfig = 0x07;
constexpr uint8_t kSlotQuery = 0x03;
constexpr uint8_t kWriteConfig = 0x08;
constexpr uint8_t kSelect = 0x04;
constexpr uint8_t kEnter = 0x3A;
constexpr uint8_t kFirstBlock = 0x01;
constexpr uint8_t kBootInfo = 0x02;
constexpr uint8_t kBegin = 0x03;
constexpr uint8_t kWriteBlock = 0x06;
constexpr uint8_t kReadBlock = 0x07;
constexpr uint8_t kFinish = 0x09;

constexpr uint16_t kMouse = 0x5837;
constexpr uint16_t kBootloader = 0x5836;
constexpr uint8_t kFirstBlockNumber = 9;

constexpr std::array<uint32_t, 5> kRetryableCodes = {
    hid_error::kNotReady, hid_error::kCrc, hid_error::kWriteFault, hid_error::kInvalidParameter,
    hid_error::kFunctionFailed};
// The link's first attempt and its three retries.
constexpr uint32_t kAttemptsOfOneCall = 4;
constexpr uint8_t kBadStatusValue = 2;
constexpr uint8_t kSlotOutOfRange = 5;
constexpr uint32_t kEveryEcho = 1000;

class ListBuilder {
 public:
  ListBuilder& Open(uint16_t productId) {
    list.push_back({SimExchangeKind::kOpen, 0, productId, ++opens_});
    return *this;
  }
  ListBuilder& Command(uint8_t code) {
    const uint32_t n = ++commands_[code];
    list.push_back({SimExchangeKind::kSet, code, 0, n});
    list.push_back({SimExchangeKind::kGet, code, 0, n});
    return *this;
  }
  ListBuilder& Transfer() {
    Command(kBegin);
    for (int i = 0; i < kMatrixImageBlocks; ++i) Command(kWriteBlock).Command(kReadBlock);
    return Command(kFinish).Open(kMouse);
  }
  std::vector<Exchange> list;

 private:
  uint32_t opens_ = 0;
  std::map<uint8_t, uint32_t> commands_;
};

// ---- the normal-mode sequences ------------------------------------------------

// One step of a sequence: an open (command 0) or one command, and how the
// sequence ends when it fails (nullopt: it goes on).
struct Step {
  uint8_t command = 0;
  uint32_t nth = 1;
  std::optional<End> onFailure;
};

std::vector<Step> StepsOf(Operation op) {
  const Step open{0, 1, End::kNotFound};
  const std::vector<Step> apply = {open,
                                   {kSlotQuery, 1, End::kSlotQueryFailed},
                                   {kWriteConfig, 1, End::kWriteFailed},
                                   {kSelect, 1, std::nullopt}};
  switch (op) {
    case Operation::kApply:
    case Operation::kRestore:
    case Operation::kCtlRestore: return apply;
    case Operation::kRefresh:
    case Operation::kCtlShow: return {open, {kReadConfig, 1, End::kConfigNotRead}};
    case Operation::kCtlApply: {
      // tr58kctl reads the mouse first and goes on from the profile when
      // that read fails; then the apply opens the mouse again.
      std::vector<Step> steps = {open, {kReadConfig, 1, std::nullopt}, {0, 2, End::kNotFound}};
      steps.insert(steps.end(), apply.begin() + 1, apply.end());
      return steps;
    }
    default: return {};
  }
}

// Whether a normal-mode command fails when the fault hits one of its
// exchanges. Only the configuration read judges the status byte; the write
// and the select fail on an answer still busy after the whole busy wait; the
// slot query judges only its slot byte.
bool NormalCommandFails(uint8_t command, FaultKind fault) {
  switch (fault) {
    case FaultKind::kRetryableOnce: return false;
    case FaultKind::kBusyForever: return command != kSlotQuery;
    case FaultKind::kBadStatus: return command == kReadConfig;
    default: return true;
  }
}

bool Hits(const Cell& cell, const Step& step) {
  if (step.command == 0) return cell.at.kind == SimExchangeKind::kOpen && cell.at.nth == step.nth;
  return cell.at.kind != SimExchangeKind::kOpen && cell.at.command == step.command &&
         cell.at.nth == step.nth;
}

End NormalEnd(const Cell& cell) {
  bool gone = false;  // an unplugged mouse stays away: every later step fails
  for (const Step& step : StepsOf(cell.op)) {
    const bool hit = Hits(cell, step);
    const bool fails = gone || (hit && NormalCommandFails(step.command, cell.fault));
    if (hit && cell.fault == FaultKind::kUnplug) gone = true;
    if (fails && step.onFailure) return *step.onFailure;
  }
  return FaultFreeEnd(cell.op);
}

// ---- the update -------------------------------------------------------------------

End UpdateEnd(const Cell& cell) {
  if (cell.at.kind == SimExchangeKind::kOpen && cell.at.nth == 1) {
    // The probe looks for the normal-mode mouse once, then twice for the
    // bootloader, which a mouse in normal mode never shows.
    if (cell.op == Operation::kUpdateFromNormal) return End::kNotFound;
    return cell.fault == FaultKind::kUnplug ? End::kNotFound : End::kUpdated;
  }
  switch (cell.fault) {
    case FaultKind::kUnplug:
      // Some later step runs out of attempts, at the latest the search for
      // the mouse coming back.
      return End::kUpdateFailed;
    case FaultKind::kBusyForever:
      // A read-back that never comes is not judged. Every other step runs
      // out of attempts; EnterBootloader counts as sent, but a mouse that
      // never answers never leaves, so its bootloader never shows.
      return cell.at.command == kReadBlock ? End::kUpdated : End::kUpdateFailed;
    case FaultKind::kBadStatus:
      // The bootloader answers FinishTransfer as it restarts: once that
      // answer is read, the mouse has left and a refusal cannot be retried.
      return cell.at.command == kFinish ? End::kUpdateFailed : End::kUpdated;
    case FaultKind::kWrongEchoEvery:
    case FaultKind::kWrongBootInfo: return End::kUpdateFailed;
    default:
      // Every step tries a failed attempt again; a failed read-back is not
      // judged and a wrong one is written again.
      return End::kUpdated;
  }
}

// ---- the waits ---------------------------------------------------------------------

constexpr uint64_t kSendWorstMs = 3 * 50;
constexpr uint64_t kReceiveWorstMs = 100 * (0 + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9);

constexpr uint64_t CommandWorst(uint64_t waitMs) { return kSendWorstMs + waitMs + kReceiveWorstMs; }

template <size_t N>
constexpr uint64_t Sum(const std::array<uint64_t, N>& waits) {
  uint64_t sum = 0;
  for (uint64_t w : waits) sum += w;
  return sum;
}

// A step of the update: every attempt at its worst, and the wait after
// each failed attempt.
template <size_t N>
constexpr uint64_t Attempts(uint64_t attemptWorst, const std::array<uint64_t, N>& waits) {
  return N * attemptWorst + Sum(waits);
}

constexpr uint64_t TransferWorst(int blocks) {
  const uint64_t begin = Attempts(CommandWorst(50), std::array<uint64_t, 4>{50, 100, 150, 200});
  const uint64_t write =
      Attempts(CommandWorst(100), std::array<uint64_t, 5>{100, 100, 100, 100, 100});
  const uint64_t verify = CommandWorst(20) + 30 + 10 * CommandWorst(100) +
                          100 * (0 + 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9);
  const uint64_t perBlock = write + verify + 100;
  const uint64_t finish = Attempts(CommandWorst(50), std::array<uint64_t, 4>{50, 100, 150, 200});
  const uint64_t back =
      Sum(std::array<uint64_t, 11>{0, 500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000});
  return begin + 500 + static_cast<uint64_t>(blocks) * perBlock + 300 + finish + back;
}

constexpr uint64_t kProbeWorstMs = 1500 + 1500;
constexpr uint64_t kApplyWorstMs = CommandWorst(10) + CommandWorst(80) + CommandWorst(1500);
constexpr uint64_t kRefreshWorstMs = CommandWorst(80);

constexpr uint64_t EnterToTransferWorst() {
  const uint64_t enter =
      Attempts(kSendWorstMs + kReceiveWorstMs, std::array<uint64_t, 5>{0, 1000, 2000, 3000, 4000});
  const uint64_t discovery = 101 * 1000;
  const uint64_t first = Attempts(CommandWorst(20), std::array<uint64_t, 4>{70, 140, 210, 280});
  const uint64_t bootInfo = Attempts(CommandWorst(100), std::array<uint64_t, 4>{70, 140, 210, 280});
  return enter + discovery + 3000 + first + bootInfo + 1000;
}

std::string Hex(unsigned value, int width) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", width, value);
  return text;
}

}  // namespace

const char* Name(Operation op) {
  switch (op) {
    case Operation::kApply: return "apply";
    case Operation::kRestore: return "restore";
    case Operation::kRefresh: return "refresh";
    case Operation::kCtlApply: return "tr58kctl-apply";
    case Operation::kCtlRestore: return "tr58kctl-restore";
    case Operation::kCtlShow: return "tr58kctl-show";
    case Operation::kUpdateFromNormal: return "update-from-normal-mode";
    case Operation::kUpdateFromBootloader: return "update-from-bootloader";
  }
  return "?";
}

std::vector<Operation> AllOperations() {
  return {Operation::kApply,
          Operation::kRestore,
          Operation::kRefresh,
          Operation::kCtlApply,
          Operation::kCtlRestore,
          Operation::kCtlShow,
          Operation::kUpdateFromNormal,
          Operation::kUpdateFromBootloader};
}

bool IsUpdate(Operation op) {
  return op == Operation::kUpdateFromNormal || op == Operation::kUpdateFromBootloader;
}

std::vector<Exchange> ExchangesOf(Operation op) {
  ListBuilder b;
  switch (op) {
    case Operation::kApply:
    case Operation::kRestore:
    case Operation::kCtlRestore:
      b.Open(kMouse).Command(kSlotQuery).Command(kWriteConfig).Command(kSelect);
      break;
    case Operation::kRefresh:
    case Operation::kCtlShow: b.Open(kMouse).Command(kReadConfig); break;
    case Operation::kCtlApply:
      b.Open(kMouse).Command(kReadConfig);
      b.Open(kMouse).Command(kSlotQuery).Command(kWriteConfig).Command(kSelect);
      break;
    case Operation::kUpdateFromNormal:
      b.Open(kMouse).Command(kEnter).Open(kBootloader).Command(kFirstBlock).Command(kBootInfo);
      b.Transfer();
      break;
    case Operation::kUpdateFromBootloader: b.Open(kBootloader).Transfer(); break;
  }
  return b.list;
}

const char* Name(FaultKind kind) {
  switch (kind) {
    case FaultKind::kUnplug: return "unplugged before";
    case FaultKind::kOpenRefused: return "open refused";
    case FaultKind::kRetryableOnce: return "retryable error once";
    case FaultKind::kRetryableExhausted: return "retryable error through every retry";
    case FaultKind::kNonRetryable: return "non-retryable error";
    case FaultKind::kBusyForever: return "busy forever";
    case FaultKind::kBadStatus: return "bad status";
    case FaultKind::kSlotAboveFour: return "slot 5";
    case FaultKind::kWrongEcho: return "wrong echo once";
    case FaultKind::kWrongEchoEvery: return "wrong echo every time";
    case FaultKind::kWrongReadBack: return "wrong read-back once";
    case FaultKind::kWrongReadBackSum: return "wrong read-back checksum once";
    case FaultKind::kWrongBootInfo: return "boot information of another device";
  }
  return "?";
}

std::string Cell::Describe() const {
  std::string text = std::string(Name(op)) + ": ";
  switch (at.kind) {
    case SimExchangeKind::kOpen: text += "open " + Hex(at.productId, 4); break;
    case SimExchangeKind::kSet: text += "set " + Hex(at.command, 2); break;
    case SimExchangeKind::kGet: text += "get " + Hex(at.command, 2); break;
  }
  text += " #" + std::to_string(at.nth) + ": " + Name(fault);
  if (code != 0) text += " (" + std::to_string(code) + ")";
  return text;
}

std::vector<Cell> CellsOf(Operation op) {
  std::vector<Cell> cells;
  const bool update = IsUpdate(op);
  for (const Exchange& at : ExchangesOf(op)) {
    auto add = [&](FaultKind fault, uint32_t code = 0) { cells.push_back({op, at, fault, code}); };
    add(FaultKind::kUnplug);
    if (at.kind == SimExchangeKind::kOpen) {
      add(FaultKind::kOpenRefused);
      continue;
    }
    for (uint32_t code : kRetryableCodes) add(FaultKind::kRetryableOnce, code);
    for (uint32_t code : kRetryableCodes) add(FaultKind::kRetryableExhausted, code);
    add(FaultKind::kNonRetryable, hid_error::kGeneralFailure);
    if (at.kind != SimExchangeKind::kGet) continue;
    add(FaultKind::kBusyForever);
    add(FaultKind::kBadStatus);
    if (!update && at.command == kSlotQuery) add(FaultKind::kSlotAboveFour);
    if (update && at.command == kFirstBlock) {
      add(FaultKind::kWrongEcho);
      add(FaultKind::kWrongEchoEvery);
    }
    if (update && at.command == kReadBlock) {
      add(FaultKind::kWrongReadBack);
      add(FaultKind::kWrongReadBackSum);
    }
    if (update && at.command == kBootInfo) add(FaultKind::kWrongBootInfo);
  }
  return cells;
}

CellSetup SetupOf(const Cell& cell) {
  CellSetup setup;
  setup.boot.versionAfterUpdate = kVersionAfterUpdate;
  const Exchange& at = cell.at;
  auto on = [&](Fault fault) {
    if (at.kind != SimExchangeKind::kOpen) fault = fault.ForCommand(at.command);
    setup.fault = fault.Nth(at.nth);
  };
  auto error = [&](uint32_t code, uint32_t times) {
    on(at.kind == SimExchangeKind::kSet ? Fault::SetError(code, times)
                                        : Fault::GetError(code, times));
  };
  switch (cell.fault) {
    case FaultKind::kUnplug: on(Fault::UnplugBefore(at.kind)); break;
    case FaultKind::kOpenRefused: on(Fault::OpenError(hid_error::kAccessDenied)); break;
    case FaultKind::kRetryableOnce: error(cell.code, 1); break;
    case FaultKind::kRetryableExhausted: error(cell.code, kAttemptsOfOneCall); break;
    case FaultKind::kNonRetryable: error(cell.code, 1); break;
    case FaultKind::kBusyForever: on(Fault::BusyForever()); break;
    case FaultKind::kBadStatus: on(Fault::Status(kBadStatusValue)); break;
    case FaultKind::kSlotAboveFour: on(Fault::SlotAnswer(kSlotOutOfRange)); break;
    case FaultKind::kWrongEcho: setup.boot.echoMismatches = 1; break;
    case FaultKind::kWrongEchoEvery: setup.boot.echoMismatches = kEveryEcho; break;
    case FaultKind::kWrongReadBack:
    case FaultKind::kWrongReadBackSum:
      setup.boot.readBackWrongBlock = static_cast<uint8_t>(kFirstBlockNumber + at.nth - 1);
      setup.boot.readBackWrongTimes = 1;
      setup.boot.readBackChecksumOnly = cell.fault == FaultKind::kWrongReadBackSum;
      break;
    case FaultKind::kWrongBootInfo: setup.boot.wrongBootInfo = true; break;
  }
  return setup;
}

const char* Name(End end) {
  switch (end) {
    case End::kNotFound: return "not found";
    case End::kSlotQueryFailed: return "slot query failed";
    case End::kWriteFailed: return "write failed";
    case End::kApplied: return "applied";
    case End::kConfigNotRead: return "configuration not read";
    case End::kConfigRead: return "configuration read";
    case End::kUpdateFailed: return "update failed";
    case End::kUpdated: return "updated";
  }
  return "?";
}

End FaultFreeEnd(Operation op) {
  switch (op) {
    case Operation::kRefresh:
    case Operation::kCtlShow: return End::kConfigRead;
    case Operation::kUpdateFromNormal:
    case Operation::kUpdateFromBootloader: return End::kUpdated;
    default: return End::kApplied;
  }
}

End ExpectedEnd(const Cell& cell) { return IsUpdate(cell.op) ? UpdateEnd(cell) : NormalEnd(cell); }

uint64_t WorstCaseSleepMs(Operation op) {
  switch (op) {
    case Operation::kApply:
    case Operation::kRestore:
    case Operation::kCtlRestore: return kApplyWorstMs;
    case Operation::kRefresh:
    case Operation::kCtlShow: return kRefreshWorstMs;
    case Operation::kCtlApply: return kRefreshWorstMs + kApplyWorstMs;
    case Operation::kUpdateFromNormal:
      return kProbeWorstMs + EnterToTransferWorst() + TransferWorst(kMatrixImageBlocks);
    case Operation::kUpdateFromBootloader: return kProbeWorstMs + TransferWorst(kMatrixImageBlocks);
  }
  return 0;
}

}  // namespace tr58k::faults
