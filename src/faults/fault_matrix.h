// The fault matrix: every exchange that an apply, a restore, a start-up
// refresh and a firmware update make with the mouse, every fault the
// simulated mouse can produce at that exchange, and how each run must end.
// The cells are generated from the lists of exchanges; the expected ends
// follow from the protocol's success rules and retry schedules (which
// commands judge which status byte, which steps try again), written down
// here on their own rather than taken from the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/sim/bootloader_firmware.h"
#include "device/sim/fault_plan.h"

namespace tr58k::faults {

enum class Operation : uint8_t {
  kApply,                 // ApplySettingsToMouse, as the window's apply job runs it
  kRestore,               // the same after ResetToFactory
  kRefresh,               // RefreshSettingsFromMouse (start-up and arrival)
  kCtlApply,              // tr58kctl apply: a refresh, then the apply
  kCtlRestore,            // tr58kctl restore
  kCtlShow,               // tr58kctl show: the refresh
  kUpdateFromNormal,      // the probe, then UpdateFromNormalMode
  kUpdateFromBootloader,  // the probe, then TransferImage
};

const char* Name(Operation op);
std::vector<Operation> AllOperations();
bool IsUpdate(Operation op);

// The image every update of the matrix sends: the 21,504-byte test image.
inline constexpr int kMatrixImageSize = 21504;
inline constexpr int kMatrixImageBlocks = 21;
// The version the simulated bootloader gives the mouse after an update.
inline constexpr uint16_t kVersionAfterUpdate = 0x0105;

struct Exchange {
  SimExchangeKind kind = SimExchangeKind::kSet;
  uint8_t command = 0;     // set and get: the request's command byte; open: 0
  uint16_t productId = 0;  // open: the identity looked for
  // 1-based among the exchanges of the same kind and command of a run
  // without faults (opens: among all opens), which is how the simulated
  // mouse counts them.
  uint32_t nth = 1;
};

// The exchanges of a run without faults, in order.
std::vector<Exchange> ExchangesOf(Operation op);

enum class FaultKind : uint8_t {
  kUnplug,              // the mouse is pulled out just before the exchange
  kOpenRefused,         // open: the interface refuses once (access denied)
  kRetryableOnce,       // set or get: `code` once
  kRetryableExhausted,  // set or get: `code` on the call and its three retries
  kNonRetryable,        // set or get: code 31 once
  kBusyForever,         // get: this answer and every later one to the command is busy
  kBadStatus,           // get: status 2 once
  kSlotAboveFour,       // get of the slot query: slot 5
  kWrongEcho,           // get of SendFirstBlock: the echo differs once
  kWrongEchoEvery,      // get of SendFirstBlock: every echo differs
  kWrongReadBack,       // get of ReadBlock: one data byte differs once
  kWrongReadBackSum,    // get of ReadBlock: only the checksum differs once
  kWrongBootInfo,       // get of ReadBootInfo: it names another device
};

const char* Name(FaultKind kind);

struct Cell {
  Operation op = Operation::kApply;
  Exchange at;
  FaultKind fault = FaultKind::kUnplug;
  uint32_t code = 0;  // kRetryable*: the failure code
  std::string Describe() const;
};

// Every cell of an operation: each exchange times each fault it can take.
std::vector<Cell> CellsOf(Operation op);

// What the simulated mouse is given for a cell: a fault for its plan, and
// the options of its bootloader (the echo, read-back and boot information
// switches live there).
struct CellSetup {
  std::optional<Fault> fault;
  SimBootloaderOptions boot;
};
CellSetup SetupOf(const Cell& cell);

enum class End : uint8_t {
  kNotFound,         // the mouse was not found: nothing sent, nothing saved
  kSlotQueryFailed,  // apply: profile saved, nothing written to the mouse
  kWriteFailed,      // apply: profile saved, the write not taken
  kApplied,          // apply: written (the select's answer is not judged)
  kConfigNotRead,    // refresh: found, the record keeps what it held
  kConfigRead,       // refresh: found and read
  kUpdateFailed,     // update: "固件更新出现错误，请重试！"
  kUpdated,          // update: "更新完成，鼠标当前固件版本号：V…"
};

const char* Name(End end);
End ExpectedEnd(const Cell& cell);
End FaultFreeEnd(Operation op);

// The most an operation may sleep, faults or not: the sum of the longest
// path through every step's retry schedule, with each exchange at its worst
// (three error retries of 50 ms, or the whole busy wait of 4.5 s).
uint64_t WorstCaseSleepMs(Operation op);

}  // namespace tr58k::faults
