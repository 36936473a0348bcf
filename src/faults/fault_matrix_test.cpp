// Runs every cell of the fault matrix against the simulated mouse on a
// manual clock and checks, for each: no crash and no hang (a watchdog), no
// more sleeping than the retry schedules allow, what the user is shown, the
// link closed or open, and the profile file and the mouse's block either the
// old ones or the new ones, byte for byte.
#include "faults/fault_matrix.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_messages.h"
#include "cli/settings_report.h"
#include "device/mouse_session.h"
#include "faults/record_bytes.h"
#include "faults/watchdog.h"
#include "firmware/firmware_messages.h"
#include "firmware/firmware_worker.h"
#include "settings/device_settings.h"
#include "settings/profile_serializer.h"
#include "testing/cli_rig.h"
#include "testing/firmware_rig.h"
#include "testing/sim_rig.h"

namespace tr58k::faults {
namespace {

// ---- the size of the run ---------------------------------------------------

std::mutex gCountMutex;
std::map<std::string, size_t> gCellsRun;

class MatrixSize final : public ::testing::Environment {
 public:
  void TearDown() override {
    std::lock_guard lock(gCountMutex);
    size_t total = 0;
    std::string parts;
    for (const auto& [op, n] : gCellsRun) {
      total += n;
      parts += (parts.empty() ? "" : ", ") + op + " " + std::to_string(n);
    }
    std::printf("fault matrix: %zu cells (%s)\n", total, parts.c_str());
  }
};
[[maybe_unused]] ::testing::Environment* const gMatrixSize =
    ::testing::AddGlobalTestEnvironment(new MatrixSize);

// ---- the records --------------------------------------------------------------

// The profile on disk before every run, the mouse's own settings, what the
// window's controls (or tr58kctl's options) hold, and the factory record.
struct Records {
  Records() {
    stored.profileName = u"Profile";
    stored.reportInterval = kInterval500Hz;
    stored.dpiLevelCount = 3;
    stored.wheelBacklight = 0;
    stored.activeLevel = 1;
    stored.dpi = {DpiPair{450, 450}, DpiPair{900, 900}, DpiPair{1850, 1850}, DpiPair{3650, 3650}};
    onMouse = stored;
    onMouse.reportInterval = kInterval250Hz;
    onMouse.dpiLevelCount = 4;
    onMouse.dpi = {DpiPair{600, 600}, DpiPair{1200, 1200}, DpiPair{2400, 2400},
                   DpiPair{4800, 4800}};
    onMouse.restorePending = 1;  // the block keeps its active level
    edited = stored;
    edited.reportInterval = kInterval125Hz;
    edited.dpiLevelCount = 2;
    edited.wheelBacklight = 1;
    edited.dpi = {DpiPair{500, 500}, DpiPair{1000, 1000}, DpiPair{2000, 2000}, DpiPair{4000, 4000}};
    ResetToFactory(factory);
  }
  // What tr58kctl apply is told: exactly the fields `edited` changes.
  ApplyChanges CommandLine() const {
    ApplyChanges changes;
    changes.reportInterval = edited.reportInterval;
    changes.dpiLevelCount = edited.dpiLevelCount;
    changes.wheelBacklight = edited.wheelBacklight;
    changes.dpi = std::array<int16_t, kDpiLevels>{edited.dpi[0].dpiX, edited.dpi[1].dpiX,
                                                  edited.dpi[2].dpiX, edited.dpi[3].dpiX};
    return changes;
  }
  MouseSettings stored, onMouse, edited, factory;
};

void CopyEditedFields(const MouseSettings& from, MouseSettings& to) {
  to.reportInterval = from.reportInterval;
  to.dpiLevelCount = from.dpiLevelCount;
  to.wheelBacklight = from.wheelBacklight;
  to.dpi = from.dpi;
}

// ---- the runs ------------------------------------------------------------------

class FaultMatrix : public ::testing::TestWithParam<Operation> {
 protected:
  void SetUp() override {
    oldProfile_ = ProfileBytes(records_.stored);
    oldBlock_ = BlockOf(records_.onMouse);
    image_ = TestImageBytes(kMatrixImageSize);
    ASSERT_EQ(image_.size(), static_cast<size_t>(kMatrixImageSize));
  }

  // One run; `cell` empty for a run without faults. Returns the mouse's
  // exchanges and the link's successful opens, for the exchange lists.
  struct Ran {
    std::vector<SimExchange> exchanges;
    std::vector<std::string> opens;
  };
  Ran Run(Operation op, const std::optional<Cell>& cell);

  void RunNormal(Operation op, const std::optional<Cell>& cell, SimRig& rig);
  void RunCommandLine(Operation op, const std::optional<Cell>& cell, SimRig& rig);
  void RunUpdate(Operation op, const std::optional<Cell>& cell, FirmwareRig& f);

  End Expected(Operation op, const std::optional<Cell>& cell) const {
    return cell ? ExpectedEnd(*cell) : FaultFreeEnd(op);
  }
  void ExpectProfile(bool saved, const MouseSettings& saving) {
    EXPECT_EQ(ReadBytes(home_.ProfilePath()), saved ? ProfileBytes(saving) : oldProfile_)
        << (saved ? "the new profile" : "the old profile") << " expected";
  }
  static void ExpectSleptWithin(Operation op, uint64_t slept) {
    EXPECT_LE(slept, WorstCaseSleepMs(op)) << "slept beyond the retry schedules";
  }

  TempConfigHome home_;
  Records records_;
  std::vector<uint8_t> oldProfile_;
  DeviceConfigBlock oldBlock_{};
  std::vector<uint8_t> image_;
};

FaultMatrix::Ran FaultMatrix::Run(Operation op, const std::optional<Cell>& cell) {
  WriteBytes(home_.ProfilePath(), oldProfile_);
  CellSetup setup = cell ? SetupOf(*cell) : CellSetup{};
  setup.boot.versionAfterUpdate = kVersionAfterUpdate;
  SimulatedMouseOptions mouse;
  if (op == Operation::kUpdateFromBootloader) mouse.mode = MouseMode::kBootloader;
  FirmwareRig f(setup.boot, mouse);
  SimRig& rig = f.rig;
  Ran ran;
  // Only the opens are kept from the trace: formatting every report would
  // cost more than the whole run.
  rig.link.trace = [&ran](std::string_view line) {
    if (line.rfind("open ", 0) == 0 && line.size() > 3 && line.substr(line.size() - 3) == " ok") {
      ran.opens.emplace_back(line);
    }
  };
  rig.mouse.SetBlock(oldBlock_);
  if (setup.fault) rig.mouse.AddFault(*setup.fault);

  if (IsUpdate(op)) {
    RunUpdate(op, cell, f);
  } else if (op == Operation::kCtlApply || op == Operation::kCtlRestore ||
             op == Operation::kCtlShow) {
    RunCommandLine(op, cell, rig);
  } else {
    RunNormal(op, cell, rig);
  }
  ExpectSleptWithin(op, rig.clock.TotalSleptMs());
  ran.exchanges = rig.mouse.Exchanges();
  return ran;
}

// The shared sequences, as the window's device jobs call them.
void FaultMatrix::RunNormal(Operation op, const std::optional<Cell>& cell, SimRig& rig) {
  const End expected = Expected(op, cell);
  MouseSettings settings = records_.stored;
  settings.profilePath = home_.ProfilePath();
  End end;
  if (op == Operation::kRefresh) {
    const RefreshResult result = RefreshSettingsFromMouse(rig.link, settings);
    end = !result.found       ? End::kNotFound
          : result.configRead ? End::kConfigRead
                              : End::kConfigNotRead;
    if (result.found) {
      EXPECT_EQ(result.firmwareVersion, 26);
    }
    MouseSettings shown = records_.stored;
    if (end == End::kConfigRead) CopyEditedFields(records_.onMouse, shown);
    shown.profilePath = settings.profilePath;
    EXPECT_EQ(settings, shown) << "the record after the refresh";
    ExpectProfile(false, {});
  } else {
    const bool restore = op == Operation::kRestore;
    if (restore) {
      ResetToFactory(settings);
    } else {
      settings.restorePending = 0;
    }
    std::function<void(MouseSettings&)> readControls;
    if (!restore) readControls = [&](MouseSettings& s) { CopyEditedFields(records_.edited, s); };
    const ApplyOutcome outcome = ApplySettingsToMouse(rig.link, settings, readControls);
    end = outcome == ApplyOutcome::kMouseNotFound     ? End::kNotFound
          : outcome == ApplyOutcome::kSlotQueryFailed ? End::kSlotQueryFailed
          : outcome == ApplyOutcome::kWriteFailed     ? End::kWriteFailed
                                                      : End::kApplied;
    const MouseSettings& sent = restore ? records_.factory : records_.edited;
    ExpectProfile(end != End::kNotFound, sent);
    MouseSettings sentAsWritten = sent;
    sentAsWritten.restorePending = restore ? 1 : 0;
    const DeviceConfigBlock block = rig.mouse.Block();
    const DeviceConfigBlock newBlock = BlockOf(sentAsWritten);
    EXPECT_TRUE(block == oldBlock_ || block == newBlock) << "the mouse holds a mixed block";
    if (end == End::kApplied) {
      EXPECT_TRUE(block == newBlock) << "applied, yet not written";
    }
    if (end == End::kNotFound || end == End::kSlotQueryFailed) {
      EXPECT_TRUE(block == oldBlock_) << "written although the sequence stopped before the write";
    }
  }
  EXPECT_EQ(Name(end), Name(expected));
  // The link stays open once the mouse was found; a search that failed closes it.
  const bool open = rig.link.handle != nullptr && rig.link.connected == 1;
  const bool closed = rig.link.handle == nullptr && rig.link.connected == 0;
  EXPECT_TRUE(end == End::kNotFound ? closed : open) << "link state";
}

// tr58kctl's commands in-process: the exit status and what it prints.
void FaultMatrix::RunCommandLine(Operation op, const std::optional<Cell>& cell, SimRig& rig) {
  const End expected = Expected(op, cell);
  std::ostringstream out, err;
  CliContext context{rig.link, home_.ProfilePath(), false, out, err};
  const int status = op == Operation::kCtlApply     ? RunApply(records_.CommandLine(), context)
                     : op == Operation::kCtlRestore ? RunRestore(context)
                                                    : RunShow(context);
  const bool refused = cell && cell->fault == FaultKind::kOpenRefused;
  const bool notFoundShown = err.str().find(kMouseNotFoundMessage) != std::string::npos;
  if (op == Operation::kCtlShow) {
    EXPECT_EQ(status, kExitOk);
    MouseSettings shown = records_.stored;
    shown.profilePath = home_.ProfilePath();
    if (expected == End::kConfigRead) CopyEditedFields(records_.onMouse, shown);
    EXPECT_EQ(out.str(), SettingsText(shown));
    EXPECT_EQ(err.str().find("the mouse was not found") != std::string::npos,
              expected == End::kNotFound)
        << err.str();
    EXPECT_EQ(err.str().find("did not send its settings") != std::string::npos,
              expected == End::kConfigNotRead)
        << err.str();
    EXPECT_FALSE(notFoundShown);
    ExpectProfile(false, {});
  } else {
    const int wanted = expected == End::kNotFound
                           ? (refused ? kExitAccessDenied : kExitMouseNotFound)
                       : expected == End::kApplied ? kExitOk
                                                   : kExitCommandFailed;
    EXPECT_EQ(status, wanted) << err.str();
    EXPECT_EQ(notFoundShown, expected == End::kNotFound) << err.str();
    const char* done = op == Operation::kCtlApply
                           ? "Applied to the mouse; saved in the profile."
                           : "Factory settings restored; saved in the profile.";
    EXPECT_EQ(out.str().find(done) != std::string::npos, expected == End::kApplied) << out.str();
    MouseSettings saved = records_.stored;
    if (op == Operation::kCtlApply) {
      CopyEditedFields(records_.edited, saved);
    } else {
      saved = records_.factory;
    }
    ExpectProfile(expected != End::kNotFound, saved);
  }
  // A command leaves nothing open behind it.
  EXPECT_TRUE(rig.link.handle == nullptr && rig.link.connected == 0) << "link left open";
}

// The update as the window and tr58kctl run it: the probe with its texts,
// then the worker body for the mode found.
void FaultMatrix::RunUpdate(Operation op, const std::optional<Cell>& cell,
                            FirmwareRig& f) {
  const End expected = Expected(op, cell);
  RecordingReporter ignored;
  ASSERT_EQ(LoadFirmwareImage(*f.image, image_, ignored), 1);
  const int mode = ProbeAndAnnounce(f.rig.link, f.reporter);
  if (mode != kModeNotFound) RunUpdateWorker(f.rig.link, *f.image, mode, f.reporter, nullptr);

  const std::vector<std::string> texts = f.reporter.Statuses();
  ASSERT_FALSE(texts.empty()) << "nothing shown";
  const std::string wanted = expected == End::kNotFound       ? kMouseNotDetectedText
                             : expected == End::kUpdateFailed ? kUpdateErrorText
                                                              : UpdateDoneText(105);
  EXPECT_EQ(texts.back(), wanted);
  const std::vector<std::string> events = f.reporter.Events();
  EXPECT_NE(std::find(events.begin(), events.end(), "exit"), events.end())
      << "exit button left disabled";
  for (int position : f.reporter.Progress()) EXPECT_LT(position, 100);
  EXPECT_TRUE(f.LinkClosed()) << "link left open after the update";
  if (expected == End::kUpdated) {
    const auto stored = f.boot->StoredBlocks();
    ASSERT_EQ(stored.size(), static_cast<size_t>(kMatrixImageBlocks));
    for (int i = 0; i < kMatrixImageBlocks; ++i) {
      EXPECT_EQ(stored.at(static_cast<uint8_t>(9 + i)), f.image->blocks[static_cast<size_t>(i)])
          << "block " << i;
    }
  }
  ExpectProfile(false, {});
}

// ---- the tests -----------------------------------------------------------------

// The lists the cells are made from are the exchanges a run without faults
// really makes, in order: a step the program skipped or added would show here.
TEST_P(FaultMatrix, FaultFreeRunMakesExactlyTheListedExchanges) {
  const Operation op = GetParam();
  const Ran ran = Run(op, std::nullopt);
  const std::vector<Exchange> listed = ExchangesOf(op);
  std::vector<std::string> made, expected, opens;
  uint8_t lastCommand = 0;
  for (const SimExchange& e : ran.exchanges) {
    if (e.kind == SimExchangeKind::kSet) lastCommand = e.bytes.size() > 1 ? e.bytes[1] : 0;
    const int kind = static_cast<int>(e.kind);
    made.push_back(std::to_string(kind) + ":" +
                   std::to_string(e.kind == SimExchangeKind::kOpen ? 0 : lastCommand));
  }
  for (const Exchange& e : listed) {
    expected.push_back(std::to_string(static_cast<int>(e.kind)) + ":" + std::to_string(e.command));
    if (e.kind == SimExchangeKind::kOpen) {
      char line[32];
      std::snprintf(line, sizeof line, "open 4c95:%04x ok", e.productId);
      opens.push_back(line);
    }
  }
  EXPECT_EQ(made, expected);
  EXPECT_EQ(ran.opens, opens);
}

TEST_P(FaultMatrix, EveryCellEndsAsTheProtocolSays) {
  const Operation op = GetParam();
  const std::vector<Cell> cells = CellsOf(op);
  ASSERT_FALSE(cells.empty());
  Watchdog watchdog(std::chrono::seconds(20));
  size_t run = 0;
  for (const Cell& cell : cells) {
    watchdog.Enter(cell.Describe());
    SCOPED_TRACE(cell.Describe());
    Run(op, cell);
    ++run;
    if (HasFatalFailure()) break;
  }
  std::printf("fault matrix: %s %zu cells\n", Name(op), run);
  std::lock_guard lock(gCountMutex);
  gCellsRun[Name(op)] += run;
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultMatrix, ::testing::ValuesIn(AllOperations()),
                         [](const ::testing::TestParamInfo<Operation>& info) {
                           std::string name = Name(info.param);
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace tr58k::faults
