// The configuration window under faults: hostile things at the profile path
// (it starts with the defaults, and a later save replaces nothing it must
// not), and quick apply and restore clicks while the cable is pulled and
// plugged again from another thread (every click gets its own answer, only
// whole records land, nothing hangs).
#include <unistd.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <thread>

#include "app/main_dialog_template.h"
#include "testing/qt_window_rig.h"
#include "cli/cli_test_support.h"
#include "device/config_commands.h"
#include "faults/fault_matrix.h"
#include "faults/hostile_profile.h"
#include "faults/rerun_as_nobody.h"
#include "faults/watchdog.h"
#include "settings/profile_file.h"

namespace tr58k::test {
namespace {

using faults::Hostile;
using faults::HostileCase;

class WindowFaultsTest : public WindowTest {
 protected:
  void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
  MouseSettings Factory() const {
    MouseSettings settings;
    ResetToFactory(settings);
    return settings;
  }
};

// ---- hostile profile files ---------------------------------------------------

class HostileProfileWindow : public WindowFaultsTest,
                             public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileProfileWindow, StartsWithTheDefaultsAndASaveReplacesNothingItMustNot) {
  const HostileCase& hostile = GetParam();
  if (hostile.kind == Hostile::kUnreadable && ::geteuid() == 0) {
    // Root reads any file whatever its mode: this very test again, as the
    // unprivileged user, in a process of its own.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    EXPECT_TRUE(faults::RerunAsNobody(std::string(test->test_suite_name()) + "." + test->name()))
        << "the run as nobody failed (its output is above)";
    return;
  }
  const std::string home = configHome_.path().toStdString();
  ASSERT_EQ(faults::MakeHostile(hostile.kind, home, ProfilePath()), "");
  faults::Watchdog watchdog(std::chrono::seconds(30));
  watchdog.Enter(std::string("the window with a hostile profile: ") + hostile.name);

  mouse_->Unplug();
  OpenWindow();
  StopTimer();
  EXPECT_EQ(win_->Settings(), faults::StartupDefaults(ProfilePath()));
  const char* const dpiShown[] = {"400", "800", "1600", "3200"};
  for (int row = 0; row < kDpiLevels; ++row) EXPECT_EQ(EditText(row), dpiShown[row]) << row;
  EXPECT_EQ(FirmwareVersion()->text(), "-.--");

  // The mouse arrives; a factory restore saves.
  mouse_->Plug();
  Settle();
  Click(ctl::kRestoreFactory);
  Settle();
  EXPECT_TRUE(boxes_.boxes.empty()) << "a failed save is not the user's concern here";
  EXPECT_EQ(faults::CheckAfterSave(hostile.kind, home, ProfilePath(), Factory()), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileProfileWindow,
                         ::testing::ValuesIn(faults::AllHostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

// ---- the fault matrix's apply and restore cells, clicked ---------------------------

class WindowMatrix : public WindowFaultsTest,
                     public ::testing::WithParamInterface<faults::Operation> {};

// What the user sees of each cell: the message when the mouse is missing,
// nothing else; the profile old or new; the link and the version text as
// the unplug (if any) left them.
TEST_P(WindowMatrix, EachCellShowsTheMessageOnlyWhenTheMouseIsMissing) {
  const faults::Operation op = GetParam();
  OpenWindow();
  StopTimer();
  faults::Watchdog watchdog(std::chrono::seconds(20));
  size_t run = 0;
  for (const faults::Cell& cell : faults::CellsOf(op)) {
    SCOPED_TRACE(cell.Describe());
    watchdog.Enter(cell.Describe());
    mouse_->ClearFaults();
    mouse_->Plug();
    Settle();
    ASSERT_EQ(FirmwareVersion()->text(), "V0.26");
    // A profile unlike anything the window holds.
    MouseSettings old;
    old.profileName = u"old";
    old.dpi[0] = DpiPair{950, 950};
    ASSERT_TRUE(SaveProfile(old, ProfilePath()));
    const std::vector<uint8_t> oldBytes = testing_support::ReadBytes(ProfilePath());
    const size_t boxesBefore = boxes_.boxes.size();
    clock_.Clear();

    const faults::End expected = faults::ExpectedEnd(cell);
    const faults::CellSetup setup = faults::SetupOf(cell);
    ASSERT_TRUE(setup.fault.has_value());
    mouse_->AddFault(*setup.fault);
    Click(op == faults::Operation::kRestore ? ctl::kRestoreFactory : ctl::kApply);
    Settle();

    const bool notFound = expected == faults::End::kNotFound;
    const bool unplugged = cell.fault == faults::FaultKind::kUnplug;
    // A removal notice counts only while the window holds the mouse open: a
    // mouse pulled out as the apply looked for it leaves the version shown.
    const bool removalSeen = unplugged && cell.at.kind != SimExchangeKind::kOpen;
    ASSERT_EQ(boxes_.boxes.size(), boxesBefore + (notFound ? 1 : 0));
    if (notFound) {
      EXPECT_EQ(boxes_.boxes.back().text, QString::fromUtf8(kMouseNotFoundMessage));
    }
    uint64_t slept = 0;
    for (const auto& record : clock_.Records()) slept += record.ms;
    EXPECT_LE(slept, faults::WorstCaseSleepMs(op));
    EXPECT_EQ(testing_support::ReadBytes(ProfilePath()),
              notFound ? oldBytes : faults::ProfileBytes(win_->Settings()));
    EXPECT_EQ(link_->connected == 0, notFound || unplugged) << "link state";
    EXPECT_EQ(FirmwareVersion()->text(), removalSeen ? "-.--" : "V0.26");
    ++run;
  }
  std::printf("fault matrix in the window: %s %zu cells\n", faults::Name(op), run);
}

INSTANTIATE_TEST_SUITE_P(Operations, WindowMatrix,
                         ::testing::Values(faults::Operation::kApply, faults::Operation::kRestore),
                         [](const ::testing::TestParamInfo<faults::Operation>& info) {
                           return std::string(faults::Name(info.param));
                         });

// ---- quick clicks while the cable comes and goes ---------------------------------

TEST_F(WindowFaultsTest, QuickClicksWhileTheMouseIsPluggedAndUnpluggedEachGetAnAnswer) {
  constexpr int kClicks = 60;
  constexpr int kCablePulls = 2 * kClicks;
  faults::Watchdog watchdog(std::chrono::seconds(60));
  watchdog.Enter("clicks while the cable comes and goes");
  OpenWindow();
  StopTimer();
  Edit(0)->setText("1250");
  mouse_->ClearLog();

  // The cable is pulled and plugged again by a thread of its own, at random
  // exchanges of the device jobs: the job waits at that exchange until the
  // cable thread has acted, then goes on against the mouse as it now is.
  std::mutex cableMutex;
  std::condition_variable cableChanged;
  int asked = 0, acted = 0;
  bool stop = false;
  std::thread cable([&] {
    std::unique_lock lock(cableMutex);
    for (bool plugged = true;;) {
      cableChanged.wait(lock, [&] { return stop || acted < asked; });
      if (acted == asked) return;
      plugged ? mouse_->Unplug() : mouse_->Plug();
      plugged = !plugged;
      ++acted;
      cableChanged.notify_all();
    }
  });
  std::mt19937 random(20240711);
  link_->trace = [&](std::string_view) {
    std::unique_lock lock(cableMutex);
    if (asked >= kCablePulls || random() % 5 != 0) return;
    ++asked;
    cableChanged.notify_all();
    cableChanged.wait(lock, [&] { return acted == asked; });
  };
  for (int i = 0; i < kClicks; ++i) {
    Click(i % 4 == 3 ? ctl::kRestoreFactory : ctl::kApply);
    for (int k = 0; k < 5; ++k) QCoreApplication::processEvents();
  }
  // The jobs ask the window's thread for the controls: keep answering.
  Settle();
  link_->trace = nullptr;
  {
    std::lock_guard lock(cableMutex);
    stop = true;
  }
  cableChanged.notify_all();
  cable.join();
  mouse_->Plug();
  Settle();
  EXPECT_TRUE(win_->DeviceWorkIdle());

  // Each click ran its own apply: either the mouse was missing (its
  // message) or its slot query went out, once.
  size_t slotQueries = 0;
  for (const SimExchange& exchange : mouse_->Exchanges()) {
    slotQueries += exchange.kind == SimExchangeKind::kSet && exchange.bytes.size() > 1 &&
                   exchange.bytes[1] == kCommandReadProfileSlot;
  }
  std::printf("window clicks: %d clicks, %zu with the mouse missing, %zu slot queries\n", kClicks,
              boxes_.boxes.size(), slotQueries);
  EXPECT_EQ(boxes_.boxes.size() + slotQueries, static_cast<size_t>(kClicks))
      << boxes_.boxes.size() << " messages, " << slotQueries << " slot queries";
  for (const auto& box : boxes_.boxes)
    EXPECT_EQ(box.text, QString::fromUtf8(kMouseNotFoundMessage));

  // The profile on disk is one whole record, byte for byte.
  MouseSettings stored;
  ASSERT_TRUE(LoadProfile(stored, ProfilePath())) << "the profile is not whole";
  EXPECT_EQ(testing_support::ReadBytes(ProfilePath()), faults::ProfileBytes(stored));
  // The mouse holds exactly the block of the last write it took.
  const std::vector<std::vector<uint8_t>> requests = mouse_->Requests();
  auto lastWrite = std::find_if(requests.rbegin(), requests.rend(), [](const auto& request) {
    return request.size() == kLongReportLength && request[1] == kCommandWriteConfiguration;
  });
  ASSERT_NE(lastWrite, requests.rend()) << "no write got through";
  const DeviceConfigBlock block = mouse_->Block();
  EXPECT_TRUE(std::equal(block.begin(), block.end(), lastWrite->begin() + report::kData))
      << "the mouse holds another block than the last one written";
}

}  // namespace
}  // namespace tr58k::test
