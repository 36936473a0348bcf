#include <gtest/gtest.h>

#include <string>

#include "device/device_link.h"
#include "testing/sim_rig.h"

namespace tr58k {
namespace {

struct VersionCase {
  uint32_t versionNumber;
  uint16_t version;
  const char* shown;
};

class FirmwareVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FirmwareVersionTest, HexDigitsReadAsDecimal) {
  const VersionCase& c = GetParam();
  SimRig rig;
  rig.link.versionNumber = c.versionNumber;
  EXPECT_EQ(ReadFirmwareVersion(rig.link), c.version);
  EXPECT_EQ(FormatFirmwareVersion(ReadFirmwareVersion(rig.link)), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FirmwareVersionTest,
    ::testing::Values(VersionCase{0x0026, 26, "V0.26"}, VersionCase{0x001A, 1, "V0.01"},
                      VersionCase{0x0000, 0, "V0.00"}, VersionCase{0x0103, 103, "V1.03"},
                      VersionCase{0x0105, 105, "V1.05"}, VersionCase{0x00A0, 0, "V0.00"},
                      VersionCase{0x9999, 9999, "V99.99"},
                      // Only the low 16 bits of the decimal value are kept.
                      VersionCase{0x12345678, 12345678 % 65536, "V249.10"}));

TEST(FirmwareVersion, ComesFromTheInterfaceOpenedAndSurvivesAClose) {
  SimRig rig;
  rig.mouse.SetVersionNumber(0x0105);
  ASSERT_EQ(OpenHidDevice(rig.link, kMouseProductId), 1);
  CloseHidDevice(rig.link);
  EXPECT_EQ(ReadFirmwareVersion(rig.link), 105);
}

struct PathCase {
  const char* path;
  bool namesMouse;
};

class PathNamesMouseTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathNamesMouseTest, Matches) {
  EXPECT_EQ(PathNamesMouse(GetParam().path), GetParam().namesMouse) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathNamesMouseTest,
    ::testing::Values(PathCase{"/devices/x/0003:4C95:5837.0007/hidraw/hidraw3", true},
                      PathCase{"\\\\?\\hid#vid_4c95&pid_5837&col02#", true},
                      PathCase{"/devices/x/0003:4C95:5836.0008/hidraw/hidraw3", false},
                      PathCase{"/devices/x/0003:046D:5837.0001", false},
                      PathCase{"4C95:5837", false},  // only looked for after the first character
                      PathCase{"x4C95", false}, PathCase{"", false}));

}  // namespace
}  // namespace tr58k
