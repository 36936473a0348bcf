#include "cli/tr58kctl_app.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_options.h"
#include "device/sim/simulated_mouse.h"
#include "i18n/text_lookup.h"
#include "settings/profile_file.h"
#include "testing/cli_rig.h"

namespace tr58k {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The whole program in-process; "real devices" are a simulated mouse on a
// ManualClock, so that nothing sleeps for real.
class Tr58kctlAppTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    out.str(""), err.str("");
    CliPlatform platform;
    platform.clock = &clock;
    platform.profilePath = DefaultProfilePath();
    platform.createBackend = [this]() -> std::unique_ptr<HidBackend> {
      if (!realMousePlugged) return std::make_unique<SimulatedMouse>(clock, SimulatedMouseOptions{false});
      return std::make_unique<SimulatedMouse>(clock);
    };
    platform.languages = languages;
    return RunTr58kctl(args, platform, out, err);
  }
  void TearDown() override { UseCatalogue(""); }

  TempConfigHome home;
  ManualClock clock;
  bool realMousePlugged = false;
  std::vector<std::string> languages;  // the environment's preferences
  std::ostringstream out, err;
};

TEST_F(Tr58kctlAppTest, BadArgumentsExitTwoWithAHint) {
  EXPECT_EQ(Run({"apply", "--dpi", "800,1600,3200,6401"}), kExitBadArguments);
  EXPECT_TRUE(out.str().empty());
  EXPECT_TRUE(Has(err.str(), "tr58kctl: --dpi: 6401 for level 4 is not a multiple of 50"));
  EXPECT_TRUE(Has(err.str(), "Try 'tr58kctl --help'."));
  EXPECT_EQ(Run({}), kExitBadArguments);
  EXPECT_TRUE(Has(err.str(), "no command given"));
}

TEST_F(Tr58kctlAppTest, HelpAndVersionPrintAndSucceed) {
  EXPECT_EQ(Run({"--help"}), kExitOk);
  EXPECT_TRUE(Has(out.str(), "Commands:"));
  EXPECT_EQ(Run({"apply", "--help"}), kExitOk);
  EXPECT_TRUE(Has(out.str(), "--levels N"));
  EXPECT_FALSE(Has(out.str(), "Commands:"));
  EXPECT_EQ(Run({"--version"}), kExitOk);
  EXPECT_TRUE(StartsWith(out.str(), "tr58kctl "));
  EXPECT_TRUE(err.str().empty());
}

TEST_F(Tr58kctlAppTest, SimulateUsesItsOwnMouseNotTheRealDevices) {
  realMousePlugged = false;
  EXPECT_EQ(Run({"info"}), kExitMouseNotFound);
  EXPECT_TRUE(Has(out.str(), "-.--"));
  EXPECT_EQ(Run({"--json", "info", "--simulate"}), kExitOk);
  EXPECT_EQ(out.str(), "{\"present\":true,\"firmwareVersion\":\"V0.26\",\"versionNumber\":38}\n");
  EXPECT_EQ(clock.TotalSleptMs(), 0u);  // the simulated mouse ran on its own time
}

TEST_F(Tr58kctlAppTest, TraceGoesToStandardErrorOneEventPerLine) {
  realMousePlugged = true;
  EXPECT_EQ(Run({"--trace", "info"}), kExitOk);
  EXPECT_EQ(err.str(), "open 4c95:5837 ok\nclose\n");
  EXPECT_FALSE(Has(out.str(), "open"));
  EXPECT_EQ(Run({"info"}), kExitOk);
  EXPECT_TRUE(err.str().empty());
}

// --language over the environment's preferences, the parser's own message
// included; "C" is the texts as written.
TEST_F(Tr58kctlAppTest, SpeaksTheLanguageChosen) {
  languages = {"de_DE.UTF-8"};
  EXPECT_EQ(Run({"frobnicate"}), kExitBadArguments);
  EXPECT_EQ(err.str(), "tr58kctl: unbekannter Befehl 'frobnicate'\nSiehe „tr58kctl --help“.\n");
  EXPECT_EQ(Run({"--language", "C", "frobnicate"}), kExitBadArguments);
  EXPECT_EQ(err.str(), "tr58kctl: unknown command 'frobnicate'\nTry 'tr58kctl --help'.\n");
  EXPECT_EQ(Run({"--language=ja_JP", "--help"}), kExitOk);
  EXPECT_TRUE(StartsWith(out.str(), "使い方: tr58kctl")) << out.str();
  EXPECT_EQ(Run({"--language", "fr:ru", "--simulate", "info"}), kExitOk);
  EXPECT_TRUE(Has(out.str(), "Мышь:")) << out.str();
  EXPECT_EQ(Run({"--language", "de", "--language", "ru", "info"}), kExitBadArguments);
  EXPECT_TRUE(Has(err.str(), "--language ist mehr als einmal angegeben")) << err.str();
  // A count in the right form: 1500 bytes in 2 blocks, in Russian.
  EXPECT_EQ(Run({"--language", "ru", "--simulate", "firmware", "--image",
                 std::string(TR58K_TEST_IMAGE_DIR) + "/test_image_1500.bin"}),
            kExitNotConfirmed);
  EXPECT_TRUE(Has(err.str(), "образом размером 1500 байт (2 блока)")) << err.str();
}

// What is stored, sent or printed for programs is the same in every language.
TEST_F(Tr58kctlAppTest, NoLanguageChangesAStoredOrSentByte) {
  struct Result {
    int status;
    std::string out, err;
    std::vector<uint8_t> profile;
  };
  const auto applyIn = [&](const char* language) {
    std::remove(DefaultProfilePath().c_str());
    const int status = Run({"--language", language, "--simulate", "--trace", "--json", "apply",
                            "--rate", "500", "--dpi", "450,900,1800,3600", "--backlight", "off"});
    return Result{status, out.str(), err.str(), ReadBytes(DefaultProfilePath())};
  };
  const Result source = applyIn("C");
  ASSERT_EQ(source.status, kExitOk) << source.err;
  ASSERT_FALSE(source.profile.empty());
  ASSERT_TRUE(Has(source.err, "set 1041 a0 08"));
  for (const char* language : {"zh_CN", "de", "ja", "ru"}) {
    const Result result = applyIn(language);
    EXPECT_EQ(result.status, source.status) << language;
    EXPECT_EQ(result.out, source.out) << language;
    EXPECT_EQ(result.err, source.err) << language;
    EXPECT_EQ(result.profile, source.profile) << language;
  }
}

TEST_F(Tr58kctlAppTest, NoBackendOnThisPlatformIsMouseNotFound) {
  CliPlatform platform;
  platform.clock = &clock;
  std::ostringstream o, e;
  EXPECT_EQ(RunTr58kctl({"info"}, platform, o, e), kExitMouseNotFound);
  EXPECT_TRUE(Has(e.str(), "--simulate"));
}

}  // namespace
}  // namespace tr58k
