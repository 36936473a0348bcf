// The firmware update window's rules on the in-memory host, against the
// simulated mouse on a manual clock: the updates it runs and what it shows
// of them, and how it refuses to start twice while its work runs.
#include "app/fw_update_dlg.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "app/fw_update_template.h"
#include "firmware/firmware_messages.h"
#include "testing/fw_update_rig.h"
#include "testing/window_rig.h"

namespace tr58k {
namespace {

std::string Status(const char* text) { return std::string("status ") + text; }

class FwUpdateDlgTest : public ::testing::Test {
 protected:
  RecordingFwUpdate& Open(size_t imageSize) {
    image_ = imageSize ? TestImage(imageSize) : std::vector<uint8_t>{};
    fw_ = std::make_unique<RecordingFwUpdate>(*rig.link, image_);
    host_ = std::make_unique<FakeWindowHost>(*fw_);
    host_->Init();
    // What the window's thread sees, each time the bar moves.
    host_->onProgressSet = [this](int, int value) {
      seen_.push_back({value, host().IsEnabled(fwctl::kExit), host().IsEnabled(fwctl::kUpdate), StatusText()});
    };
    return *fw_;
  }
  void TearDown() override {
    if (fw_) {
      EXPECT_TRUE(host().WaitUntil([&] { return !fw_->UpdateRunning(); }, 20000));
    }
    host_.reset();
    fw_.reset();
  }
  // Clicks "固件更新" and waits until the work has ended.
  void RunUpdate() {
    host().Click(fwctl::kUpdate);
    ASSERT_TRUE(host().WaitUntil([&] { return !fw_->UpdateRunning(); }, 20000));
  }
  FakeWindowHost& host() { return *host_; }
  std::string StatusText() { return host().GetText(fwctl::kStatus); }
  bool LinkClosed() const { return !rig.link->handle && rig.link->connected == 0; }
  size_t RequestsOf(uint8_t code) const {
    size_t n = 0;
    for (uint8_t c : rig.RequestCommands()) n += c == code;
    return n;
  }

  struct Seen {
    int value;
    bool exitEnabled;
    bool updateEnabled;
    std::string status;
  };
  WindowRig rig;
  std::vector<uint8_t> image_;
  std::unique_ptr<RecordingFwUpdate> fw_;
  std::unique_ptr<FakeWindowHost> host_;
  std::vector<Seen> seen_;
};

TEST_F(FwUpdateDlgTest, OpensIdleWithTheFocusOnTheUpdateButton) {
  Open(21504);
  EXPECT_TRUE(host().IsEnabled(fwctl::kExit));
  EXPECT_TRUE(host().IsEnabled(fwctl::kUpdate));
  EXPECT_EQ(host().GetFocus(), fwctl::kUpdate);
  EXPECT_EQ(host().GetProgressPos(fwctl::kProgress), 0);
  EXPECT_TRUE(StatusText().empty());
}

// Images of several sizes from normal mode: the progress after each block,
// the texts in their order, the exit button held disabled until the end.
struct SizeCase {
  size_t size;
  std::vector<int> progress;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.size << " bytes"; }
class FwUpdateSizeTest : public FwUpdateDlgTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(FwUpdateSizeTest, UpdateFromNormalModeShowsItsProgressAndTheNewVersion) {
  const SizeCase& c = GetParam();
  rig.mouse->SetVersionNumber(0x0105);
  RecordingFwUpdate& fw = Open(c.size);
  RunUpdate();
  EXPECT_EQ(fw.Progress(), c.progress);
  std::vector<std::string> expected = {Status("固件V1.05 开始更新"), Status(kUpdatingText)};
  for (int p : c.progress) expected.push_back("progress " + std::to_string(p));
  expected.push_back(Status("更新完成，鼠标当前固件版本号：V1.06"));
  expected.push_back("exit");
  EXPECT_EQ(fw.Events(), expected);
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V1.06");
  EXPECT_EQ(host().GetProgressPos(fwctl::kProgress), c.progress.back());
  ASSERT_FALSE(seen_.empty());
  for (const Seen& s : seen_) {
    EXPECT_FALSE(s.exitEnabled) << "at " << s.value;
    EXPECT_FALSE(s.updateEnabled) << "at " << s.value;
    EXPECT_EQ(s.status, std::string(kUpdatingText));
  }
  EXPECT_TRUE(host().IsEnabled(fwctl::kExit));
  EXPECT_TRUE(host().IsEnabled(fwctl::kUpdate));
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(rig.mouse->VersionNumber(), 0x0106);
  EXPECT_TRUE(rig.clock.SleepsOn(std::this_thread::get_id()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Images, FwUpdateSizeTest,
    ::testing::Values(
        SizeCase{21504, {2, 2, 6, 11, 16, 21, 25, 30, 35, 40, 44, 49, 54, 59, 63, 68, 73, 78, 82, 87, 92, 97}},
        SizeCase{1500, {2, 2, 52}},    // a padded last block
        SizeCase{3072, {2, 2, 35, 68}}  // an exact multiple of 1024
        ));

TEST_F(FwUpdateDlgTest, AMouseInItsBootloaderShowsNoTextUntilTheTransferBegins) {
  rig.mouse->Reenumerate(MouseMode::kBootloader, 0);
  RecordingFwUpdate& fw = Open(21504);
  rig.clock.HoldSleepsOf(50);  // BeginTransfer's own wait
  host().Click(fwctl::kUpdate);
  ASSERT_TRUE(host().WaitUntil([&] { return rig.clock.Held(); }, 10000));
  EXPECT_TRUE(StatusText().empty());
  EXPECT_FALSE(host().IsEnabled(fwctl::kExit));
  EXPECT_FALSE(host().IsEnabled(fwctl::kUpdate));
  rig.clock.Release();
  ASSERT_TRUE(host().WaitUntil([&] { return !fw.UpdateRunning(); }, 20000));
  EXPECT_EQ(fw.Events().front(), Status(kUpdatingText));
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.27");
  EXPECT_EQ(RequestsOf(0x3A), 0u);  // no EnterBootloader
  EXPECT_EQ(RequestsOf(0x01), 0u);  // nor SendFirstBlock
}

// The probe's discovery waits run off the window's thread: while it looks
// for a bootloader that is not there, the window answers, shows nothing and
// keeps both buttons disabled; then it reports the absent mouse.
TEST_F(FwUpdateDlgTest, NoMouseIsReportedAfterAProbeThatLeavesTheWindowResponsive) {
  rig.mouse->Unplug();
  RecordingFwUpdate& fw = Open(21504);
  rig.clock.HoldSleepsOf(1500);
  host().Click(fwctl::kUpdate);
  ASSERT_TRUE(host().WaitUntil([&] { return rig.clock.Held(); }, 10000));
  EXPECT_TRUE(fw.UpdateRunning());
  EXPECT_TRUE(StatusText().empty());
  EXPECT_FALSE(host().IsEnabled(fwctl::kExit));
  EXPECT_FALSE(host().IsEnabled(fwctl::kUpdate));
  rig.clock.Release();
  ASSERT_TRUE(host().WaitUntil([&] { return !fw.UpdateRunning(); }, 10000));
  EXPECT_EQ(fw.Events(), (std::vector<std::string>{"exit", Status(kMouseNotDetectedText)}));
  EXPECT_EQ(StatusText(), "检测不到TR-58K鼠标，请重试");
  EXPECT_TRUE(host().IsEnabled(fwctl::kExit));
  EXPECT_TRUE(host().IsEnabled(fwctl::kUpdate));
  EXPECT_EQ(host().GetProgressPos(fwctl::kProgress), 0);
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(rig.clock.CountOf(1500), 2u);
  EXPECT_TRUE(rig.clock.SleepsOn(std::this_thread::get_id()).empty());
}

// No image in the build, or one too large for the image buffer: refused on
// the spot, nothing sent, no work started.
class FwUpdateBadImageTest : public FwUpdateDlgTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(FwUpdateBadImageTest, IsRefusedBeforeAnythingIsSent) {
  RecordingFwUpdate& fw = Open(GetParam());
  rig.mouse->ClearLog();
  host().Click(fwctl::kUpdate);
  EXPECT_FALSE(fw.UpdateRunning());
  EXPECT_EQ(StatusText(), "读取固件文件错误，请重试！");
  EXPECT_EQ(fw.Events().back(), Status(kImageErrorText));
  EXPECT_TRUE(host().IsEnabled(fwctl::kExit));
  EXPECT_TRUE(host().IsEnabled(fwctl::kUpdate));
  EXPECT_TRUE(rig.mouse->Exchanges().empty());
}

INSTANTIATE_TEST_SUITE_P(NoneOrTooLarge, FwUpdateBadImageTest, ::testing::Values(0, 122881));

// Pulled out mid-transfer: the error text, the bar where it was, the window
// free to run again or to close.
TEST_F(FwUpdateDlgTest, AnUnplugMidTransferLeavesTheBarAndEnablesExit) {
  rig.mouse->AddFault(Fault::UnplugBefore(SimExchangeKind::kSet).ForCommand(0x06).Nth(4));
  RecordingFwUpdate& fw = Open(21504);
  RunUpdate();
  EXPECT_EQ(StatusText(), "固件更新出现错误，请重试！");
  EXPECT_EQ(fw.Progress(), (std::vector<int>{2, 2, 6, 11}));
  EXPECT_EQ(host().GetProgressPos(fwctl::kProgress), 11);
  EXPECT_TRUE(host().IsEnabled(fwctl::kExit));
  EXPECT_TRUE(host().IsEnabled(fwctl::kUpdate));
  EXPECT_TRUE(LinkClosed());
  host().Click(fwctl::kExit);
  EXPECT_FALSE(!host().Ended());
}

TEST_F(FwUpdateDlgTest, ASecondUpdateStartsFromTheNewVersionAndTheBarWhereItWas) {
  RecordingFwUpdate& fw = Open(1500);
  RunUpdate();
  seen_.clear();
  RunUpdate();
  EXPECT_EQ(fw.Events()[7], Status("固件V0.27 开始更新"));
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.28");
  // The bar stayed at 52 until the second transfer set it to 2.
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.front().value, 2);
}

// The exit button enabled by the work a moment before it ends: a click then
// is kept and honoured at the end rather than lost.
TEST_F(FwUpdateDlgTest, AnExitAskedForAsTheWorkEndsClosesTheWindowAtItsEnd) {
  RecordingFwUpdate& fw = Open(1500);
  rig.clock.HoldSleepsOf(500);
  host().Click(fwctl::kUpdate);
  ASSERT_TRUE(host().WaitUntil([&] { return rig.clock.Held(); }, 10000));
  fw.OnExitClicked();
  EXPECT_FALSE(host().Ended());
  rig.clock.Release();
  ASSERT_TRUE(host().WaitUntil([&] { return host().Ended(); }, 20000));
  EXPECT_EQ(host().Result(), kIdOk);
  EXPECT_EQ(StatusText(), "更新完成，鼠标当前固件版本号：V0.27");
}

// Torn down from outside mid-update: the work runs to its end first.
TEST_F(FwUpdateDlgTest, DestroyingTheWindowMidUpdateWaitsForTheWork) {
  image_ = TestImage(1500);
  // The window itself: a recording subclass would be gone before the base
  // waits for the work that still reports to it.
  auto fw = std::make_unique<CFwUpdate>(*rig.link, image_);
  auto host = std::make_unique<FakeWindowHost>(*fw);
  host->Init();
  rig.clock.HoldSleepsOf(500);
  host->Click(fwctl::kUpdate);
  ASSERT_TRUE(host->WaitUntil([&] { return rig.clock.Held(); }, 10000));
  std::thread release([this] { rig.clock.Release(); });
  host.reset();
  fw.reset();
  release.join();
  EXPECT_TRUE(LinkClosed());
  EXPECT_EQ(rig.mouse->VersionNumber(), 0x0027);
}

}  // namespace
}  // namespace tr58k
