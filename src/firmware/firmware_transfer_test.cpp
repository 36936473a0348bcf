#include "firmware/firmware_transfer.h"

#include <gtest/gtest.h>

#include <numeric>

#include "device/sim/normal_firmware.h"
#include "device/sim/simulated_firmware_image.h"
#include "firmware/firmware_messages.h"
#include "firmware/firmware_worker.h"
#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

const std::string kUpdating = std::string("status ") + kUpdatingText;
const std::string kError = std::string("status ") + kUpdateErrorText;

// The waits of one block in the loop: write, read back, compare, progress.
const std::vector<uint32_t> kBlockWaits = {100, 20, 30, 100};

std::vector<uint32_t> Concat(std::initializer_list<std::vector<uint32_t>> parts) {
  std::vector<uint32_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::vector<uint32_t> Repeat(const std::vector<uint32_t>& part, int times) {
  std::vector<uint32_t> all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class FirmwareTransferTest : public ::testing::Test {
 protected:
  // The whole update as the window runs it: probe, then the worker body.
  UpdateOutcome RunUpdate(FirmwareRig& rig) {
    const int mode = ProbeAndAnnounce(rig.rig.link, rig.reporter);
    if (mode == kModeNotFound) return {};
    return RunUpdateWorker(rig.rig.link, *rig.image, mode, rig.reporter, nullptr);
  }
  static void ExpectBlocksStored(const FirmwareRig& rig) {
    const auto stored = rig.boot->StoredBlocks();
    ASSERT_EQ(stored.size(), static_cast<size_t>(rig.image->blockCount));
    for (int i = 0; i < rig.image->blockCount; ++i) {
      EXPECT_EQ(stored.at(static_cast<uint8_t>(9 + i)), rig.image->blocks[static_cast<size_t>(i)])
          << "block " << i;
    }
  }
};

TEST_F(FirmwareTransferTest, A21BlockUpdateFromNormalModeRunsTheWholeSchedule) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(21504));
  f.rig.clock.ClearSleeps();
  const UpdateOutcome outcome = RunUpdate(f);

  EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(outcome.versionAfter, 27);
  EXPECT_EQ(outcome.unverifiedBlocks, 0);
  const std::vector<int> progress = {2,  2,  6,  11, 16, 21, 25, 30, 35, 40, 44,
                                     49, 54, 59, 63, 68, 73, 78, 82, 87, 92, 97};
  EXPECT_EQ(f.reporter.Progress(), progress);
  EXPECT_EQ(f.reporter.Statuses(),
            (std::vector<std::string>{"固件V0.26 开始更新", kUpdatingText,
                                      "更新完成，鼠标当前固件版本号：V0.27"}));
  EXPECT_EQ(f.reporter.Events().back(), "exit");
  EXPECT_EQ(f.reporter.Events()[1], kUpdating) << "the status comes before the first progress";
  ExpectBlocksStored(f);
  EXPECT_EQ(f.boot->AnnouncedBlockCount(), 21);
  EXPECT_EQ(f.boot->BeginValue(), 0u);
  EXPECT_TRUE(f.LinkClosed());
  EXPECT_EQ(f.rig.mouse.Mode(), MouseMode::kNormal);

  // Entering: the bootloader is away 800 ms, found at the second look.
  // Finishing: the mouse is away 1200 ms, found at the fourth look.
  EXPECT_EQ(f.rig.clock.Sleeps(),
            Concat({{1000, 3000, 20, 100, 1000, 50, 500}, Repeat(kBlockWaits, 21), {300, 50},
                    {500, 1000}}));
  EXPECT_EQ(f.RequestsOf(boot::kEnterBootloader), 1u);
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 21u);
  EXPECT_EQ(f.RequestsOf(boot::kReadBlock), 21u);
  EXPECT_EQ(f.RequestsOf(boot::kFinishTransfer), 1u);
}

TEST_F(FirmwareTransferTest, ShortAndExactImagesGetTheirBlocksAndProgress) {
  struct Case {
    size_t size;
    int blocks;
    std::vector<int> progress;
  };
  for (const Case& c : {Case{1500, 2, {2, 2, 52}}, Case{3072, 3, {2, 2, 35, 68}}}) {
    SCOPED_TRACE(c.size);
    FirmwareRig f;
    ASSERT_TRUE(f.Load(c.size));
    EXPECT_EQ(RunUpdate(f).end, UpdateOutcome::End::kMouseBack);
    EXPECT_EQ(f.reporter.Progress(), c.progress);
    EXPECT_EQ(f.boot->AnnouncedBlockCount(), c.blocks);
    ExpectBlocksStored(f);
  }
}

TEST_F(FirmwareTransferTest, AMouseAlreadyInItsBootloaderGoesStraightToTheTransfer) {
  FirmwareRig f({}, {.mode = MouseMode::kBootloader});
  ASSERT_TRUE(f.Load(3072));
  const UpdateOutcome outcome = RunUpdate(f);
  EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(f.reporter.Events().front(), kUpdating) << "nothing shown before the transfer begins";
  EXPECT_EQ(f.RequestsOf(boot::kEnterBootloader), 0u);
  EXPECT_EQ(f.RequestsOf(boot::kSendFirstBlock), 0u);
  EXPECT_EQ(f.RequestsOf(boot::kReadBootInfo), 0u);
  ExpectBlocksStored(f);
}

TEST_F(FirmwareTransferTest, AWrongBootInfoEndsTheUpdateBeforeAnyBlockIsWritten) {
  FirmwareRig f({.wrongBootInfo = true});
  ASSERT_TRUE(f.Load(21504));
  EXPECT_EQ(RunUpdate(f).end, UpdateOutcome::End::kFailed);
  EXPECT_EQ(f.reporter.Events(),
            (std::vector<std::string>{"status 固件V0.26 开始更新", "exit", kError}));
  EXPECT_EQ(f.RequestsOf(boot::kBeginTransfer), 0u);
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 0u);
  EXPECT_EQ(f.RequestsOf(boot::kReadBootInfo), 1u) << "a wrong identity is not asked again";
  EXPECT_TRUE(f.LinkClosed());
}

TEST_F(FirmwareTransferTest, ADifferingEchoIsAFailedAttemptOfSendFirstBlock) {
  FirmwareRig once({.echoMismatches = 1});
  ASSERT_TRUE(once.Load(1500));
  EXPECT_EQ(RunUpdate(once).end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(once.RequestsOf(boot::kSendFirstBlock), 2u);
  const auto sleeps = once.rig.clock.Sleeps();
  EXPECT_EQ(std::vector<uint32_t>(sleeps.begin(), sleeps.begin() + 5),
            (std::vector<uint32_t>{1000, 3000, 20, 70, 20}));

  FirmwareRig always({.echoMismatches = 4});
  ASSERT_TRUE(always.Load(1500));
  always.rig.clock.ClearSleeps();
  EXPECT_EQ(RunUpdate(always).end, UpdateOutcome::End::kFailed);
  EXPECT_EQ(always.rig.clock.Sleeps(),
            (std::vector<uint32_t>{1000, 3000, 20, 70, 20, 140, 20, 210, 20, 280}));
  EXPECT_EQ(always.RequestsOf(boot::kReadBootInfo), 0u);
  EXPECT_EQ(always.reporter.Statuses().back(), kUpdateErrorText);
}

TEST_F(FirmwareTransferTest, AReadBackMismatchRewritesTheBlockOnce) {
  for (bool checksumOnly : {false, true}) {
    SCOPED_TRACE(checksumOnly ? "checksum differs" : "a data byte differs");
    FirmwareRig f({.readBackWrongBlock = 11, .readBackChecksumOnly = checksumOnly});
    ASSERT_TRUE(f.Load(3072));
    const UpdateOutcome outcome = RunUpdate(f);
    EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
    EXPECT_EQ(outcome.unverifiedBlocks, 0);
    EXPECT_EQ(f.boot->WritesOf(9), 1u);
    EXPECT_EQ(f.boot->WritesOf(11), 2u);
    EXPECT_EQ(f.RequestsOf(boot::kReadBlock), 3u) << "a rewrite is not read back again";
    ExpectBlocksStored(f);
  }
}

TEST_F(FirmwareTransferTest, AFailedReadBackLeavesTheBlockAsWrittenAndTheTransferGoesOn) {
  FirmwareRig f({.readBlockFailsBlock = 10});
  ASSERT_TRUE(f.Load(3072));
  const UpdateOutcome outcome = RunUpdate(f);
  EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(outcome.unverifiedBlocks, 1);
  EXPECT_EQ(f.boot->WritesOf(10), 1u);
  EXPECT_EQ(f.reporter.Progress(), (std::vector<int>{2, 2, 35, 68}));
}

TEST_F(FirmwareTransferTest, VerifyBlockRewritesAtMostTenTimesWaitingOnlyAfterBusyAnswers) {
  FirmwareRig f({.readBackWrongBlock = 9}, {.mode = MouseMode::kBootloader});
  ASSERT_TRUE(f.Load(1500));
  DeviceLink& link = f.rig.link;
  ASSERT_EQ(OpenHidDevice(link, kBootloaderProductId), 1);
  ASSERT_EQ(BeginTransfer(link, 0, 2), 1);
  ASSERT_EQ(WriteBlock(link, f.image->blocks[0], 9), 1);

  // Every rewrite refused outright: ten attempts, no waits but their own.
  f.rig.mouse.AddFault(Fault::Status(2, Fault::kForever).ForCommand(boot::kWriteBlock));
  f.rig.mouse.ClearLog();
  f.rig.clock.ClearSleeps();
  EXPECT_EQ(VerifyBlock(link, f.image->blocks[0], 9), 2);
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 10u);
  EXPECT_EQ(f.rig.clock.Sleeps(), Concat({{20, 30}, Repeat({100}, 10)}));
}

TEST_F(FirmwareTransferTest, VerifyBlockWaitsAfterBusyRewritesAndChecksEachBlockOnce) {
  FirmwareRig f({.readBackWrongBlock = 9}, {.mode = MouseMode::kBootloader});
  ASSERT_TRUE(f.Load(1500));
  DeviceLink& link = f.rig.link;
  ASSERT_EQ(OpenHidDevice(link, kBootloaderProductId), 1);
  ASSERT_EQ(BeginTransfer(link, 0, 2), 1);
  ASSERT_EQ(WriteBlock(link, f.image->blocks[0], 9), 1);
  f.rig.mouse.AddFault(Fault::BusyForever().ForCommand(boot::kWriteBlock));
  f.rig.mouse.ClearLog();
  f.rig.clock.ClearSleeps();
  EXPECT_EQ(VerifyBlock(link, f.image->blocks[0], 9), 2);
  // Ten busy rewrites: each pays the link's busy wait (4500 ms), then 100*k.
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 10u);
  EXPECT_EQ(f.rig.clock.TotalSleptMs(), 20u + 30u + 10 * (100 + 4500) + 4500);

  f.rig.mouse.ClearFaults();
  f.rig.mouse.AddFault(Fault::Status(2, 2).ForCommand(boot::kWriteBlock));
  f.rig.mouse.ClearLog();
  EXPECT_EQ(VerifyBlock(link, f.image->blocks[0], 9), 1) << "the read-back is right again";
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 0u);
}

TEST_F(FirmwareTransferTest, TheMouseComingBackAtTheEleventhLookIsFoundOneLaterIsNot) {
  struct Case {
    uint32_t away;
    UpdateOutcome::End end;
    std::string last;
  };
  // The eleventh look comes 22.5 s after the first; 5 s more of waiting
  // follow it before the update gives up (27.5 s in all).
  const Case cases[] = {{22500, UpdateOutcome::End::kMouseBack, "exit"},
                        {22501, UpdateOutcome::End::kMouseLost, kError}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.away);
    FirmwareRig f({.returnAfterFinishMs = c.away});
    ASSERT_TRUE(f.Load(1500));
    const UpdateOutcome outcome = RunUpdate(f);
    EXPECT_EQ(outcome.end, c.end);
    EXPECT_EQ(f.reporter.Events().back(), c.last);
    ExpectBlocksStored(f);
    EXPECT_TRUE(f.LinkClosed());
    const auto sleeps = f.rig.clock.Sleeps();
    const std::vector<uint32_t> discovery = {500,  1000, 1500, 2000, 2500,
                                             3000, 3500, 4000, 4500, 5000};
    const size_t waits = c.end == UpdateOutcome::End::kMouseBack ? 9 : 10;
    EXPECT_EQ(std::vector<uint32_t>(sleeps.end() - static_cast<std::ptrdiff_t>(waits), sleeps.end()),
              std::vector<uint32_t>(discovery.begin(), discovery.begin() + static_cast<std::ptrdiff_t>(waits)));
  }
}

TEST_F(FirmwareTransferTest, RetrySchedulesOfEnterBeginAndFinish) {
  struct Case {
    const char* name;
    uint8_t command;
    std::vector<uint32_t> failureWaits;
  };
  const Case cases[] = {
      {"EnterBootloader", boot::kEnterBootloader, {1000, 2000, 3000, 4000}},
      {"BeginTransfer", boot::kBeginTransfer, {50, 50, 50, 100, 50, 150, 50, 200}},
      {"FinishTransfer", boot::kFinishTransfer, {50, 50, 50, 100, 50, 150, 50, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FirmwareRig f;
    ASSERT_TRUE(f.Load(1500));
    // Refused on the wire: the send fails with a code that is not retried,
    // so each attempt costs only its own wait (none for EnterBootloader).
    f.rig.mouse.AddFault(Fault::SetError(hid_error::kGeneralFailure, Fault::kForever).ForCommand(c.command));
    const int mode = ProbeAndAnnounce(f.rig.link, f.reporter);
    f.rig.clock.ClearSleeps();
    const UpdateOutcome outcome = RunUpdateWorker(f.rig.link, *f.image, mode, f.reporter, nullptr);
    EXPECT_EQ(outcome.end, UpdateOutcome::End::kFailed);
    const auto sleeps = f.rig.clock.Sleeps();
    ASSERT_GE(sleeps.size(), c.failureWaits.size());
    EXPECT_EQ(std::vector<uint32_t>(sleeps.end() - static_cast<std::ptrdiff_t>(c.failureWaits.size()), sleeps.end()),
              c.failureWaits);
    EXPECT_EQ(f.reporter.Events().back(), kError);
    EXPECT_TRUE(f.LinkClosed());
  }
}

TEST_F(FirmwareTransferTest, AWriteRefusedFiveTimesEndsTheTransferWithTheProgressReached) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(3072));
  f.rig.mouse.AddFault(Fault::Status(2, 5).ForCommand(boot::kWriteBlock).Nth(3));
  EXPECT_EQ(RunUpdate(f).end, UpdateOutcome::End::kFailed);
  EXPECT_EQ(f.reporter.Progress(), (std::vector<int>{2, 2, 35}));
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 7u);
  EXPECT_EQ(f.RequestsOf(boot::kFinishTransfer), 0u);
  EXPECT_EQ(f.reporter.Events().back(), kError);
}

TEST_F(FirmwareTransferTest, BusyAnswersAreWaitedForAndTheUpdateGoesOn) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(3072));
  f.rig.mouse.AddFault(Fault::Busy(3).ForCommand(boot::kWriteBlock));
  f.rig.mouse.AddFault(Fault::Busy(1).ForCommand(boot::kFinishTransfer));
  EXPECT_EQ(RunUpdate(f).end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(f.RequestsOf(boot::kWriteBlock), 3u);
}

TEST_F(FirmwareTransferTest, ProbeFindsEitherIdentityOrNothingIn3Seconds) {
  FirmwareRig none({}, {.plugged = false});
  int mode = -1;
  EXPECT_EQ(ProbeUpdateMode(none.rig.link, mode), 0);
  EXPECT_EQ(mode, kModeNotFound);
  EXPECT_EQ(none.rig.clock.Sleeps(), (std::vector<uint32_t>{1500, 1500}));
  EXPECT_TRUE(none.LinkClosed());
  EXPECT_EQ(ProbeAndAnnounce(none.rig.link, none.reporter), kModeNotFound);
  EXPECT_EQ(none.reporter.Events(),
            (std::vector<std::string>{"exit", std::string("status ") + kMouseNotDetectedText}));

  FirmwareRig normal;
  EXPECT_EQ(ProbeUpdateMode(normal.rig.link, mode), 1);
  EXPECT_EQ(mode, kModeNormal);
  EXPECT_EQ(normal.rig.link.connected, 1);
  EXPECT_TRUE(normal.rig.clock.Sleeps().empty());

  FirmwareRig boot({}, {.mode = MouseMode::kBootloader});
  EXPECT_EQ(ProbeUpdateMode(boot.rig.link, mode), 1);
  EXPECT_EQ(mode, kModeBootloader);
  EXPECT_EQ(boot.rig.link.connected, 1);
}

// Pulling the cable at any step: the update ends with the error text, the
// exit button enabled and the link closed, within the steps' schedules.
TEST_F(FirmwareTransferTest, AnUnplugAtAnyStepEndsCleanly) {
  struct Case {
    const char* step;
    Fault fault;
    bool transferEnded;  // TransferImage ran to its end (mouse lost after finishing)
  };
  const Case cases[] = {
      {"enter bootloader", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x3A), false},
      {"enter's answer", Fault::UnplugBefore(SimExchangeKind::kGet).ForCommand(0x3A), false},
      {"bootloader arriving", Fault::UnplugBefore(SimExchangeKind::kOpen).Nth(2), false},
      {"first block", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x01), false},
      {"boot info", Fault::UnplugBefore(SimExchangeKind::kGet).ForCommand(0x02), false},
      {"begin", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x03), false},
      {"first write", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x06), false},
      {"third write's answer", Fault::UnplugBefore(SimExchangeKind::kGet).ForCommand(0x06).Nth(3), false},
      {"read back", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x07).Nth(2), false},
      {"finish", Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x09), false},
      {"finish's answer", Fault::UnplugBefore(SimExchangeKind::kGet).ForCommand(0x09), false},
      {"coming back", Fault::UnplugBefore(SimExchangeKind::kOpen).Nth(3), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.step);
    FirmwareRig f;
    ASSERT_TRUE(f.Load(3072));
    f.rig.mouse.AddFault(c.fault);
    const UpdateOutcome outcome = RunUpdate(f);
    EXPECT_EQ(f.rig.mouse.PendingFaults(), 0u) << "the step was reached";
    EXPECT_FALSE(f.rig.mouse.IsPlugged());
    EXPECT_EQ(outcome.end,
              c.transferEnded ? UpdateOutcome::End::kMouseLost : UpdateOutcome::End::kFailed);
    const auto events = f.reporter.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.back(), kError);
    EXPECT_EQ(events[events.size() - 2], "exit");
    EXPECT_TRUE(f.LinkClosed());
    // The longest road: 101 looks for the bootloader, or the full schedules
    // of the transfer with every retry; well under 200 s of clock time.
    EXPECT_LT(f.rig.clock.TotalSleptMs(), 200000u);
  }
}

TEST_F(FirmwareTransferTest, ABootloaderThatNeverShowsCostsTheWholeDiscovery) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(1500));
  f.rig.mouse.SetFirmware(MouseMode::kNormal, std::make_unique<NormalFirmware>(200000));
  const UpdateOutcome outcome = RunUpdate(f);
  EXPECT_EQ(outcome.end, UpdateOutcome::End::kFailed);
  EXPECT_EQ(f.rig.clock.Sleeps(), std::vector<uint32_t>(101, 1000));
  EXPECT_EQ(f.reporter.Events().back(), kError);
  EXPECT_TRUE(f.LinkClosed());
}

// Whoever chose a real mouse's backend leaves testImagesAllowed false: the
// same simulated mouse behind such a link stands for a real one.
TEST_F(FirmwareTransferTest, ATestImageIsSentOnlyOverALinkThatAllowsTestImages) {
  const std::span<const uint8_t> demo = SimulatedFirmwareImage();
  for (bool inBootloader : {false, true}) {
    SCOPED_TRACE(inBootloader ? "bootloader" : "normal mode");
    FirmwareRig f({}, {.mode = inBootloader ? MouseMode::kBootloader : MouseMode::kNormal});
    DeviceLink link(f.rig.mouse, f.rig.clock);
    ASSERT_FALSE(link.testImagesAllowed) << "refused unless said otherwise";
    for (const std::vector<uint8_t>& bytes :
         {TestImageBytes(1500), std::vector<uint8_t>(demo.begin(), demo.end())}) {
      SCOPED_TRACE(bytes.size());
      ASSERT_EQ(LoadFirmwareImage(*f.image, bytes, f.reporter), 1);
      EXPECT_FALSE(ImageMayGoTo(*f.image, link));
      EXPECT_TRUE(ImageMayGoTo(*f.image, f.rig.link));
      const int mode = ProbeAndAnnounce(link, f.reporter);
      ASSERT_NE(mode, kModeNotFound);
      const UpdateOutcome outcome = RunUpdateWorker(link, *f.image, mode, f.reporter, nullptr);
      EXPECT_EQ(outcome.end, UpdateOutcome::End::kFailed);
      EXPECT_TRUE(f.rig.mouse.Requests().empty()) << "not one request reached the device";
      EXPECT_EQ(f.reporter.Events().back(), kError);
      EXPECT_FALSE(link.handle);
    }

    // Any other image goes through the same link.
    std::vector<uint8_t> other = TestImageBytes(1500);
    other[0] = 'X';
    ASSERT_EQ(LoadFirmwareImage(*f.image, other, f.reporter), 1);
    const int again = ProbeAndAnnounce(link, f.reporter);
    EXPECT_EQ(RunUpdateWorker(link, *f.image, again, f.reporter, nullptr).end,
              UpdateOutcome::End::kMouseBack);
  }
}

}  // namespace
}  // namespace tr58k
