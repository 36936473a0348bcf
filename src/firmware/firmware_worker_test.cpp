#include "firmware/firmware_worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>

#include "firmware/firmware_messages.h"
#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

// Records when it was taken and given back, relative to the mouse's traffic.
class FakeInhibitor final : public SleepInhibitor {
 public:
  FakeInhibitor(FirmwareRig& rig, bool grant) : rig_(rig), grant_(grant) {}
  bool Acquire(const std::string& why) override {
    why_ = why;
    requestsAtAcquire = rig_.rig.mouse.Requests().size();
    ++acquired;
    return grant_;
  }
  void Release() override {
    ++released;
    linkClosedAtRelease = rig_.LinkClosed();
  }
  int acquired = 0, released = 0;
  size_t requestsAtAcquire = 0;
  bool linkClosedAtRelease = false;
  std::string why_;

 private:
  FirmwareRig& rig_;
  bool grant_;
};

TEST(FirmwareWorker, RunsOneUpdateAtATimeAndReportsItsEnd) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(3072));
  ASSERT_EQ(ProbeAndAnnounce(f.rig.link, f.reporter), kModeNormal);

  // Hold the worker at its first report until the second start was tried.
  std::mutex mutex;
  std::condition_variable cv;
  bool release = false;
  f.reporter.onEvent = [&](const std::string& event) {
    if (event != std::string("status ") + kUpdatingText) return;
    std::unique_lock lock(mutex);
    cv.wait(lock, [&] { return release; });
  };
  std::promise<UpdateOutcome> ended;
  FirmwareUpdateWorker worker;
  ASSERT_TRUE(worker.Start(f.rig.link, *f.image, kModeNormal, f.reporter, nullptr,
                           [&](const UpdateOutcome& o) { ended.set_value(o); }));
  EXPECT_TRUE(worker.Running());
  EXPECT_FALSE(worker.StartWithProbe(f.rig.link, *f.image, f.reporter, nullptr, {}));
  {
    std::lock_guard lock(mutex);
    release = true;
  }
  cv.notify_all();
  const UpdateOutcome outcome = ended.get_future().get();
  worker.Wait();
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
  EXPECT_EQ(outcome.versionAfter, 27);
  EXPECT_TRUE(f.LinkClosed());
  EXPECT_EQ(f.RequestsOf(boot::kBeginTransfer), 1u) << "the refused start sent nothing";

  // Once it has ended the next update may start: the mouse is now at V0.27.
  f.reporter.onEvent = nullptr;
  ASSERT_TRUE(worker.StartWithProbe(f.rig.link, *f.image, f.reporter, nullptr, {}));
  worker.Wait();
  EXPECT_EQ(f.reporter.Statuses()[3], "固件V0.27 开始更新");
  EXPECT_EQ(f.reporter.Statuses().back(), "更新完成，鼠标当前固件版本号：V0.28");
}

TEST(FirmwareWorker, AProbeOnTheWorkerThatFindsNothingStartsNoTransfer) {
  FirmwareRig f({}, {.plugged = false});
  ASSERT_TRUE(f.Load(1500));
  std::promise<UpdateOutcome> ended;
  FirmwareUpdateWorker worker;
  ASSERT_TRUE(worker.StartWithProbe(f.rig.link, *f.image, f.reporter, nullptr,
                                    [&](const UpdateOutcome& o) { ended.set_value(o); }));
  EXPECT_EQ(ended.get_future().get().end, UpdateOutcome::End::kFailed);
  worker.Wait();
  EXPECT_EQ(f.reporter.Events(),
            (std::vector<std::string>{"exit", std::string("status ") + kMouseNotDetectedText}));
  EXPECT_EQ(f.rig.clock.Sleeps(), (std::vector<uint32_t>{1500, 1500}));
}

TEST(FirmwareWorker, HoldsTheSleepInhibitorForTheWholeUpdateAndGoesOnWithoutIt) {
  for (bool grant : {true, false}) {
    SCOPED_TRACE(grant ? "granted" : "refused");
    FirmwareRig f;
    ASSERT_TRUE(f.Load(1500));
    const int mode = ProbeAndAnnounce(f.rig.link, f.reporter);
    FakeInhibitor inhibitor(f, grant);
    const UpdateOutcome outcome = RunUpdateWorker(f.rig.link, *f.image, mode, f.reporter, &inhibitor);
    EXPECT_EQ(outcome.end, UpdateOutcome::End::kMouseBack);
    EXPECT_EQ(inhibitor.acquired, 1);
    EXPECT_EQ(inhibitor.requestsAtAcquire, 0u) << "taken before the first request";
    EXPECT_EQ(inhibitor.released, grant ? 1 : 0);
    if (grant) {
      EXPECT_TRUE(inhibitor.linkClosedAtRelease) << "given back after the last step";
    }
    EXPECT_EQ(inhibitor.why_, kInhibitReason);
  }
}

TEST(FirmwareWorker, AnUnknownModeIsTheFailureEnding) {
  FirmwareRig f;
  ASSERT_TRUE(f.Load(1500));
  ASSERT_EQ(OpenHidDevice(f.rig.link, kMouseProductId), 1);
  EXPECT_EQ(RunUpdateWorker(f.rig.link, *f.image, 7, f.reporter, nullptr).end,
            UpdateOutcome::End::kFailed);
  EXPECT_EQ(f.reporter.Events(),
            (std::vector<std::string>{"exit", std::string("status ") + kUpdateErrorText}));
  EXPECT_TRUE(f.LinkClosed());
  EXPECT_TRUE(f.rig.mouse.Requests().empty());
}

}  // namespace
}  // namespace tr58k
