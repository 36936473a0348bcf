#include "firmware/linux/logind_inhibitor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "firmware/firmware_worker.h"
#include "testing/fake_logind.h"
#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

// Points the system bus at an address where nothing listens while alive.
class NoSystemBus {
 public:
  NoSystemBus() {
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) previous_ = old;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tr58k-test/system_bus_socket", 1);
  }
  ~NoSystemBus() {
    if (previous_) {
      ::setenv("DBUS_SYSTEM_BUS_ADDRESS", previous_->c_str(), 1);
    } else {
      ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
  }

 private:
  std::optional<std::string> previous_;
};

TEST(LogindSleepInhibitor, WithoutASystemBusItFailsAndTheUpdateRunsAnyway) {
  NoSystemBus noBus;
  LogindSleepInhibitor inhibitor;
  EXPECT_FALSE(inhibitor.Acquire("test"));
  EXPECT_FALSE(inhibitor.Held());
  inhibitor.Release();  // nothing held: nothing happens

  FirmwareRig f;
  ASSERT_TRUE(f.Load(1500));
  const int mode = ProbeAndAnnounce(f.rig.link, f.reporter);
  EXPECT_EQ(RunUpdateWorker(f.rig.link, *f.image, mode, f.reporter, &inhibitor).end,
            UpdateOutcome::End::kMouseBack);
  EXPECT_FALSE(inhibitor.Held());
}

TEST(LogindSleepInhibitor, AsksLogindToBlockShutdownSleepAndIdleAndHoldsTheLockUntilReleased) {
  FakeLogind logind;
  if (!logind.Start()) GTEST_SKIP() << "no dbus-daemon on this machine";
  {
    LogindSleepInhibitor inhibitor("tr58kctl");
    ASSERT_TRUE(inhibitor.Acquire("The mouse firmware is being updated"));
    EXPECT_TRUE(inhibitor.Held());
    EXPECT_TRUE(inhibitor.Acquire("again")) << "already held: no second lock";
    EXPECT_EQ(logind.Calls(), std::vector<std::string>{
                                  "shutdown:sleep:idle|tr58kctl|The mouse firmware is being "
                                  "updated|block"});
    EXPECT_TRUE(logind.LockHeld());
    inhibitor.Release();
    EXPECT_FALSE(inhibitor.Held());
    EXPECT_TRUE(logind.LockReleasedWithin(5000));

    // Taken again, then given back by the inhibitor going away.
    ASSERT_TRUE(inhibitor.Acquire("second update"));
    EXPECT_TRUE(logind.LockHeld());
  }
  EXPECT_TRUE(logind.LockReleasedWithin(5000));
  EXPECT_EQ(logind.Calls().size(), 2u);
}

TEST(LogindSleepInhibitor, IsHeldExactlyWhileTheUpdateRuns) {
  FakeLogind logind;
  if (!logind.Start()) GTEST_SKIP() << "no dbus-daemon on this machine";
  FirmwareRig f;
  ASSERT_TRUE(f.Load(1500));
  bool heldDuringTransfer = false;
  f.reporter.onEvent = [&](const std::string& event) {
    if (event == "progress 2") heldDuringTransfer = logind.LockHeld();
  };
  LogindSleepInhibitor inhibitor;
  const int mode = ProbeAndAnnounce(f.rig.link, f.reporter);
  EXPECT_EQ(RunUpdateWorker(f.rig.link, *f.image, mode, f.reporter, &inhibitor).end,
            UpdateOutcome::End::kMouseBack);
  EXPECT_TRUE(heldDuringTransfer);
  EXPECT_FALSE(inhibitor.Held());
  EXPECT_TRUE(logind.LockReleasedWithin(5000));
}

}  // namespace
}  // namespace tr58k
