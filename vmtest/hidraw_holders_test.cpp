#include "vmtest/hidraw_holders.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "testing/fake_sysfs.h"

namespace tr58k {
namespace {

void AddHidraw(const std::string& sysfs, const std::string& name, const std::string& phys,
               const std::string& dev) {
  const std::string node = sysfs + "/class/hidraw/" + name;
  std::filesystem::create_directories(node + "/device");
  WriteFile(node + "/device/uevent", "DRIVER=hid-generic\nHID_PHYS=" + phys + "\nHID_UNIQ=\n");
  WriteFile(node + "/dev", dev + "\n");
}

TEST(HidrawHoldersTest, FindsTheNodeByItsPhysAndNoOther) {
  TempDir dir;
  AddHidraw(dir.path(), "hidraw2", "tr58k-uhid-mouse/input0", "241:2");
  AddHidraw(dir.path(), "hidraw3", "tr58k-uhid-mouse/input1", "241:3");
  AddHidraw(dir.path(), "hidraw4", "tr58k-uhid-mouse/input10", "241:4");
  EXPECT_EQ(HidrawNodeWithPhys(dir.path(), "tr58k-uhid-mouse/input1"), makedev(241, 3));
  EXPECT_EQ(HidrawNodeWithPhys(dir.path(), "tr58k-uhid-mouse/input0"), makedev(241, 2));
  EXPECT_FALSE(HidrawNodeWithPhys(dir.path(), "tr58k-uhid-mouse/input5"));
  EXPECT_FALSE(HidrawNodeWithPhys(dir.path() + "/none", "tr58k-uhid-mouse/input0"));
}

// A stand-in /proc whose one process holds /dev/null; a vanished process
// leaves a dangling link, and a folder that is no process id is passed over.
TEST(HidrawHoldersTest, SeesWhoHoldsACharacterDevice) {
  TempDir dir;
  struct stat null {};
  ASSERT_EQ(::stat("/dev/null", &null), 0);
  std::filesystem::create_directories(dir.path() + "/123/fd");
  std::filesystem::create_directories(dir.path() + "/456/fd");
  std::filesystem::create_directories(dir.path() + "/self/fd");
  std::filesystem::create_symlink("/dev/null", dir.path() + "/self/fd/0");
  std::filesystem::create_symlink(dir.path() + "/gone", dir.path() + "/456/fd/3");
  const std::string held = dir.path() + "/123/fd/4";
  std::filesystem::create_symlink("/dev/null", held);

  EXPECT_TRUE(CharDeviceHeldOpen(dir.path(), null.st_rdev));
  EXPECT_FALSE(CharDeviceHeldOpen(dir.path(), makedev(4095, 4095)));
  EXPECT_FALSE(WaitUntilReleased(dir.path(), null.st_rdev, 0));

  ASSERT_EQ(::unlink(held.c_str()), 0);
  EXPECT_FALSE(CharDeviceHeldOpen(dir.path(), null.st_rdev));
  EXPECT_TRUE(WaitUntilReleased(dir.path(), null.st_rdev, 0));
}

}  // namespace
}  // namespace tr58k
