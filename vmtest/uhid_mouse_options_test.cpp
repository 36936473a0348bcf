#include "vmtest/uhid_mouse_options.h"

#include <gtest/gtest.h>

namespace tr58k {
namespace {

TEST(UhidMouseOptionsTest, DefaultsAreAPlainNormalModeMouse) {
  std::string error;
  const auto line = ParseUhidMouseArgs({}, &error);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->mouse.mode, MouseMode::kNormal);
  EXPECT_EQ(line->mouse.versionNumber, 0x0026);
  EXPECT_EQ(line->mouse.busyEvery, 0u);
  EXPECT_FALSE(line->mouse.unplugAt);
  EXPECT_FALSE(line->mouse.replugAfterMs);
  EXPECT_TRUE(line->logPath.empty());
  EXPECT_FALSE(line->waitForRelease);
  EXPECT_EQ(line->mouse.shortReportDataBytes, 63);
}

TEST(UhidMouseOptionsTest, ReadsEveryOption) {
  std::string error;
  const auto line = ParseUhidMouseArgs(
      {"--mode", "bootloader", "--version", "0105", "--busy-every", "3", "--busy-count", "2",
       "--unplug-at", "06:4", "--wait-for-release", "--replug-after", "1500", "--log", "/tmp/l",
       "--pid-file", "/tmp/p", "--a1-long"},
      &error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->mouse.mode, MouseMode::kBootloader);
  EXPECT_EQ(line->mouse.versionNumber, 0x0105);
  EXPECT_EQ(line->mouse.busyEvery, 3u);
  EXPECT_EQ(line->mouse.busyCount, 2u);
  ASSERT_TRUE(line->mouse.unplugAt);
  EXPECT_EQ(line->mouse.unplugAt->command, 0x06);
  EXPECT_EQ(line->mouse.unplugAt->occurrence, 4u);
  EXPECT_EQ(line->mouse.replugAfterMs, std::optional<uint32_t>(1500));
  EXPECT_EQ(line->logPath, "/tmp/l");
  EXPECT_EQ(line->pidPath, "/tmp/p");
  EXPECT_TRUE(line->waitForRelease);
  EXPECT_EQ(line->mouse.shortReportDataBytes, 1040);

  const auto first = ParseUhidMouseArgs({"--unplug-at", "08", "--mute-at", "3a:2"}, &error);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->mouse.unplugAt->occurrence, 1u);
  ASSERT_TRUE(first->mouse.muteAt);
  EXPECT_EQ(first->mouse.muteAt->command, 0x3A);
  EXPECT_EQ(first->mouse.muteAt->occurrence, 2u);
}

TEST(UhidMouseOptionsTest, RefusesBadValues) {
  const std::vector<std::vector<std::string>> bad = {
      {"--mode", "boot"},         {"--version", "10000"},    {"--version", "xyz"},
      {"--busy-every", "-1"},     {"--busy-count", "0"},     {"--unplug-at", "100"},
      {"--unplug-at", "08:0"},    {"--unplug-at", "08:x"},   {"--replug-after", "1s"},
      {"--log"},                  {"--frobnicate", "1"},     {"--mute-at", ""},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(ParseUhidMouseArgs(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace tr58k
