#include "device/linux/linux_hid_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "device/clock.h"
#include "device/device_link.h"
#include "device/linux/udev_hidraw.h"
#include "testing/fake_report_descriptors.h"
#include "testing/fake_sysfs.h"

namespace tr58k {
namespace {

// A machine with a keyboard (hidraw2), and the mouse as two USB interfaces:
// its pointer collection (hidraw9) and its vendor collection (hidraw10).
class FakeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeHidraw keyboard;
    keyboard.number = 2;
    keyboard.usbPort = 1;
    keyboard.hidName = "0003:046D:C31C.0001";
    keyboard.hidId = "0003:0000046D:0000C31C";
    keyboard.bcdDevice = "6400\n";
    keyboard.descriptor = KeyboardDescriptor();
    keyboardSyspath_ = AddFakeHidraw(Sys(), keyboard);

    FakeHidraw pointer;
    pointer.number = 9;
    pointer.usbPort = 4;
    pointer.usbInterface = 0;
    pointer.hidName = "0003:4C95:5837.0006";
    pointer.descriptor = BootMouseDescriptor();
    AddFakeHidraw(Sys(), pointer);

    FakeHidraw vendor = pointer;
    vendor.number = 10;
    vendor.usbInterface = 1;
    vendor.hidName = "0003:4C95:5837.0007";
    vendor.descriptor = VendorDescriptor();
    vendorSyspath_ = AddFakeHidraw(Sys(), vendor);

    options_.sysfsRoot = Sys();
    options_.devDir = dir_.path() + "/dev";
    options_.udevControlPath = dir_.path() + "/run/udev/control";
    options_.udevList = [this](std::vector<std::string>* syspaths) {
      ++udevCalls_;
      syspaths->insert(syspaths->end(), udevKnows_.begin(), udevKnows_.end());
      return udevWorks_;
    };
  }

  std::string Sys() const { return dir_.path() + "/sys"; }
  void StartUdevDaemon() { WriteFile(options_.udevControlPath, ""); }

  TempDir dir_;
  LinuxHidOptions options_;
  std::string keyboardSyspath_;
  std::string vendorSyspath_;
  std::vector<std::string> udevKnows_;
  bool udevWorks_ = true;
  int udevCalls_ = 0;
};

TEST_F(FakeMachine, EnumeratesEveryCollectionInHidrawOrder) {
  auto backend = CreateLinuxHidBackend(options_);
  const auto interfaces = backend->Enumerate();
  ASSERT_EQ(interfaces.size(), 3u);
  const std::string dev = options_.devDir + "/";
  EXPECT_EQ(interfaces[0].path, dev + "hidraw2");
  EXPECT_EQ(interfaces[0].vendorId, 0x046D);
  EXPECT_EQ(interfaces[0].versionNumber, 0x6400);
  EXPECT_EQ(interfaces[0].usage, 0x0006);
  EXPECT_EQ(interfaces[1].path, dev + "hidraw9");
  EXPECT_EQ(interfaces[1].usagePage, 0x0001);
  EXPECT_EQ(interfaces[1].usage, 0x0002);
  EXPECT_EQ(interfaces[2].path, dev + "hidraw10");
  EXPECT_EQ(interfaces[2].vendorId, 0x4C95);
  EXPECT_EQ(interfaces[2].productId, 0x5837);
  EXPECT_EQ(interfaces[2].versionNumber, 0x0026);
  EXPECT_EQ(interfaces[2].usagePage, 0xFF01);
  EXPECT_EQ(interfaces[2].usage, 0x0002);
}

TEST_F(FakeMachine, ListingSourceFollowsTheUdevDaemon) {
  // No daemon: sysfs, and udev is not asked.
  HidrawListing listing = ListHidrawNodes(options_);
  EXPECT_EQ(listing.source, HidrawListSource::kSysfs);
  EXPECT_EQ(listing.syspaths.size(), 3u);
  EXPECT_EQ(udevCalls_, 0);

  // Daemon running: udev's initialised nodes only, sorted.
  StartUdevDaemon();
  udevKnows_ = {vendorSyspath_, keyboardSyspath_};
  listing = ListHidrawNodes(options_);
  EXPECT_EQ(listing.source, HidrawListSource::kUdev);
  EXPECT_EQ(listing.syspaths, (std::vector<std::string>{keyboardSyspath_, vendorSyspath_}));

  // udev knows nothing while sysfs has nodes: sysfs.
  udevKnows_.clear();
  listing = ListHidrawNodes(options_);
  EXPECT_EQ(listing.source, HidrawListSource::kSysfs);
  EXPECT_EQ(listing.syspaths.size(), 3u);

  // libudev unusable: sysfs.
  udevWorks_ = false;
  listing = ListHidrawNodes(options_);
  EXPECT_EQ(listing.source, HidrawListSource::kSysfs);
  EXPECT_EQ(listing.syspaths.size(), 3u);

  // Told not to use udev: sysfs even with a daemon.
  udevWorks_ = true;
  options_.useUdev = false;
  const int callsBefore = udevCalls_;
  EXPECT_EQ(ListHidrawNodes(options_).source, HidrawListSource::kSysfs);
  EXPECT_EQ(udevCalls_, callsBefore);
}

TEST_F(FakeMachine, NothingAnywhereIsAnEmptyUdevListing) {
  StartUdevDaemon();
  options_.sysfsRoot = dir_.path() + "/empty-sys";
  const HidrawListing listing = ListHidrawNodes(options_);
  EXPECT_EQ(listing.source, HidrawListSource::kUdev);
  EXPECT_TRUE(listing.syspaths.empty());
  EXPECT_TRUE(CreateLinuxHidBackend(options_)->Enumerate().empty());
}

TEST_F(FakeMachine, OpenReportsAGoneNode) {
  auto backend = CreateLinuxHidBackend(options_);
  const auto interfaces = backend->Enumerate();
  ASSERT_FALSE(interfaces.empty());
  uint32_t error = 0;
  // The fake tree has no device nodes: as after an unplug.
  EXPECT_EQ(backend->Open(interfaces.back().path, &error), nullptr);
  EXPECT_EQ(error, hid_error::kDeviceNotConnected);
}

TEST_F(FakeMachine, TheLinkOpensTheVendorNodeAndPassesTheDecoyOver) {
  // Stand-ins for the device nodes: regular files open like nodes do.
  for (const char* node : {"hidraw2", "hidraw9", "hidraw10"}) {
    WriteFile(options_.devDir + "/" + node, "");
  }
  auto backend = CreateLinuxHidBackend(options_);
  ManualClock clock;
  DeviceLink link(*backend, clock);
  ASSERT_EQ(OpenHidDevice(link, kMouseProductId), 1);
  EXPECT_EQ(link.connected, 1);
  EXPECT_NE(link.handle, nullptr);
  EXPECT_EQ(link.versionNumber, 0x0026u);
  EXPECT_EQ(ReadFirmwareVersion(link), 26);
  // The bootloader is not there.
  EXPECT_EQ(OpenHidDevice(link, kBootloaderProductId), 0);
  EXPECT_EQ(link.handle, nullptr);

  // Remove the vendor node: the pointer collection alone is never taken.
  std::filesystem::remove_all(std::filesystem::path(vendorSyspath_).parent_path().parent_path());
  std::filesystem::remove(Sys() + "/class/hidraw/hidraw10");
  EXPECT_EQ(OpenHidDevice(link, kMouseProductId), 0);
  EXPECT_TRUE(clock.Sleeps().empty());
}

TEST(UdevEvents, ActionsMapOntoEventKinds) {
  EXPECT_EQ(HidEventKindFromAction("add"), HidEventKind::kArrival);
  EXPECT_EQ(HidEventKindFromAction("remove"), HidEventKind::kRemoveComplete);
  for (const char* other : {"change", "bind", "unbind", "move", "online", "", "ADD", "add "}) {
    EXPECT_EQ(HidEventKindFromAction(other), HidEventKind::kOther) << other;
  }
}

// Runs against this machine's netlink: the monitor must come up with a
// non-blocking fd and drain without waiting when nothing happens.
TEST(UdevMonitor, CreatesANonBlockingMonitorOnEitherSource) {
  TempDir dir;
  LinuxHidOptions options;
  options.udevControlPath = dir.path() + "/control";  // absent: no daemon
  std::string source;
  auto kernelMonitor = CreateLinuxHidMonitor(options, &source);
  if (!kernelMonitor) GTEST_SKIP() << "no netlink uevent sockets in this sandbox";
  EXPECT_EQ(source, "kernel");

  WriteFile(options.udevControlPath, "");  // as if udevd ran
  auto udevMonitor = CreateLinuxHidMonitor(options, &source);
  ASSERT_NE(udevMonitor, nullptr);
  EXPECT_EQ(source, "udev");

  for (HidMonitor* monitor : {kernelMonitor.get(), udevMonitor.get()}) {
    const int fd = monitor->PollFd();
    ASSERT_GE(fd, 0);
    const int flags = ::fcntl(fd, F_GETFL);
    ASSERT_GE(flags, 0);
    EXPECT_NE(flags & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_TRUE(monitor->ReadEvents().empty());  // returns at once
  }
  EXPECT_NE(kernelMonitor->PollFd(), udevMonitor->PollFd());
}

}  // namespace
}  // namespace tr58k
