#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_options.h"
#include "cli/firmware_progress.h"
#include "cli/tr58kctl_app.h"
#include "firmware/firmware_messages.h"
#include "settings/profile_file.h"
#include "testing/cli_rig.h"
#include "testing/firmware_rig.h"

namespace tr58k {
namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The percentages of the bar lines, in order.
std::vector<int> BarPercents(const std::string& text) {
  std::vector<int> percents;
  for (const std::string& line : Lines(text)) {
    if (StartsWith(line, "[") && line.back() == '%') {
      percents.push_back(std::stoi(line.substr(line.find(']') + 1)));
    }
  }
  return percents;
}

// Stands for the real devices: forwards to a simulated mouse the test
// holds. Chosen as the platform's devices, it gets a link that refuses test
// images, as a real mouse does.
class ForwardingBackend final : public HidBackend {
 public:
  explicit ForwardingBackend(SimulatedMouse& mouse) : mouse_(mouse) {}
  std::vector<HidInterfaceInfo> Enumerate() override { return mouse_.Enumerate(); }
  std::unique_ptr<HidDevice> Open(const std::string& path, uint32_t* error) override {
    return mouse_.Open(path, error);
  }
  std::unique_ptr<HidMonitor> CreateMonitor() override { return nullptr; }

 private:
  SimulatedMouse& mouse_;
};

class CountingInhibitor final : public SleepInhibitor {
 public:
  explicit CountingInhibitor(int& taken) : taken_(taken) {}
  bool Acquire(const std::string&) override { return ++taken_ > 0; }
  void Release() override {}

 private:
  int& taken_;
};

class FirmwareCommandTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args, const std::string& input = "") {
    out.str(""), err.str("");
    std::istringstream in(input);
    CliPlatform platform;
    platform.clock = &rig.rig.clock;
    platform.profilePath = DefaultProfilePath();
    platform.in = input.empty() ? nullptr : &in;
    platform.createBackend = [this] { return std::make_unique<ForwardingBackend>(rig.rig.mouse); };
    platform.createInhibitor = [this] { return std::make_unique<CountingInhibitor>(inhibitions); };
    return RunTr58kctl(args, platform, out, err);
  }
  // A copy of a test image that is not marked as one, as a real image file.
  std::string UnmarkedImage(size_t size) {
    std::vector<uint8_t> bytes = TestImageBytes(size);
    bytes[0] = 'X';
    const std::string path = home.Dir() + "/image.bin";
    WriteBytes(path, bytes);
    return path;
  }

  TempConfigHome home;
  FirmwareRig rig;
  int inhibitions = 0;
  std::ostringstream out, err;
};

TEST_F(FirmwareCommandTest, SimulatedUpdateShowsTheStatusTextsAndTheBarAndExitsZero) {
  EXPECT_EQ(Run({"--simulate", "firmware", "--yes"}), kExitOk) << err.str();
  const auto lines = Lines(out.str());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "固件V0.26 开始更新");
  EXPECT_EQ(lines[1], kUpdatingText);
  EXPECT_EQ(lines.back(), "更新完成，鼠标当前固件版本号：V0.27");
  EXPECT_EQ(BarPercents(out.str()),
            (std::vector<int>{2, 2, 6, 11, 16, 21, 25, 30, 35, 40, 44, 49, 54, 59, 63, 68, 73, 78,
                              82, 87, 92, 97}));
  EXPECT_EQ(inhibitions, 0) << "nothing real to protect";
  // The simulated update ran on the platform's clock, at the pace of its
  // waits: 21 blocks cost more than 6 s.
  EXPECT_GT(rig.rig.clock.TotalSleptMs(), 6000u);
  EXPECT_TRUE(rig.rig.mouse.Requests().empty()) << "the real devices were not touched";
}

TEST_F(FirmwareCommandTest, AsksFirstAndSendsNothingWithoutAYes) {
  const std::string image = UnmarkedImage(1500);
  for (const std::string& answer : {std::string(), std::string("n\n"), std::string("no\n")}) {
    SCOPED_TRACE(answer);
    EXPECT_EQ(Run({"firmware", "--image", image}, answer), kExitNotConfirmed);
    EXPECT_TRUE(Has(err.str(), "Do not unplug the mouse"));
    EXPECT_TRUE(Has(err.str(), "firmware V0.26"));
    EXPECT_TRUE(Has(err.str(), "nothing was sent"));
    EXPECT_TRUE(out.str().empty());
    EXPECT_TRUE(rig.rig.mouse.Requests().empty());
    EXPECT_FALSE(rig.rig.link.handle);
  }
  EXPECT_EQ(Run({"firmware", "--image", image}, "y\n"), kExitOk) << err.str();
  EXPECT_EQ(inhibitions, 1) << "a real update keeps the machine awake";
  EXPECT_EQ(rig.boot->StoredBlocks().size(), 2u);
  EXPECT_EQ(BarPercents(out.str()), (std::vector<int>{2, 2, 52}));
}

TEST_F(FirmwareCommandTest, RefusesImagesItMustNotSendBeforeTouchingTheMouse) {
  const std::string dir = TR58K_TEST_IMAGE_DIR;
  struct Case {
    std::string image;
    std::string why;
    std::string shown;  // the status line, as the window would show it
  };
  const Case cases[] = {
      {dir + "/test_image_122881.bin", "larger than 122880 bytes", kImageErrorText},
      {dir + "/missing.bin", "cannot be read", kImageErrorText},
      {dir + "/test_image_21504.bin", "never sent to a real one", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    EXPECT_EQ(Run({"firmware", "--yes", "--image", c.image}), kExitBadArguments);
    EXPECT_TRUE(Has(err.str(), c.why)) << err.str();
    EXPECT_EQ(out.str(), c.shown.empty() ? "" : c.shown + "\n");
    EXPECT_EQ(rig.rig.Count(SimExchangeKind::kOpen), 0u);
  }
}

TEST_F(FirmwareCommandTest, TheSimulatedMouseTakesATestImageFromAFile) {
  const std::string image = std::string(TR58K_TEST_IMAGE_DIR) + "/test_image_1500.bin";
  EXPECT_EQ(Run({"--simulate", "firmware", "--yes", "--image", image}), kExitOk) << err.str();
  EXPECT_EQ(BarPercents(out.str()), (std::vector<int>{2, 2, 52}));
  EXPECT_TRUE(rig.rig.mouse.Requests().empty()) << "the real devices were not touched";
}

// What the build was configured with decides: the built-in image is sent,
// or the user is told to give one.
TEST_F(FirmwareCommandTest, SendsTheBuiltInImageOrAsksForOne) {
  const std::span<const uint8_t> builtIn = EmbeddedFirmwareImage();
  if (builtIn.empty()) {
    EXPECT_EQ(Run({"firmware", "--yes"}), kExitCommandFailed);
    EXPECT_EQ(out.str(), std::string(kImageErrorText) + "\n");
    EXPECT_TRUE(Has(err.str(), "--image FILE"));
    EXPECT_EQ(rig.rig.Count(SimExchangeKind::kOpen), 0u);
    return;
  }
  EXPECT_EQ(Run({"firmware", "--yes"}), kExitOk) << err.str();
  const auto stored = rig.boot->StoredBlocks();
  ASSERT_EQ(stored.size(), (builtIn.size() + 1023) / 1024);
  for (size_t i = 0; i < builtIn.size(); ++i) {
    ASSERT_EQ(stored.at(static_cast<uint8_t>(9 + i / 1024))[i % 1024], builtIn[i]) << i;
  }
}

TEST_F(FirmwareCommandTest, EndsWithTheUpdatesOwnTextsWhenTheMouseIsMissingOrLost) {
  const std::string image = UnmarkedImage(1500);
  rig.rig.mouse.Unplug();
  EXPECT_EQ(Run({"firmware", "--yes", "--image", image}), kExitMouseNotFound);
  EXPECT_EQ(out.str(), std::string(kMouseNotDetectedText) + "\n");

  rig.rig.mouse.Plug();
  rig.rig.mouse.SetFirmware(MouseMode::kBootloader, std::make_unique<BootloaderFirmware>(
                                                        SimBootloaderOptions{.returnAfterFinishMs = 60000}));
  EXPECT_EQ(Run({"firmware", "--yes", "--image", image}), kExitCommandFailed);
  EXPECT_EQ(Lines(out.str()).back(), kUpdateErrorText);
  EXPECT_TRUE(Has(err.str(), "did not come back"));
}

TEST_F(FirmwareCommandTest, InfoReportsAMouseLeftInItsBootloader) {
  rig.rig.mouse.Reenumerate(MouseMode::kBootloader, 0);
  EXPECT_EQ(Run({"info"}), kExitMouseNotFound);
  EXPECT_TRUE(Has(out.str(), "in its bootloader"));
  EXPECT_TRUE(Has(out.str(), "-.--"));
  EXPECT_TRUE(Has(err.str(), "'tr58kctl firmware' finishes the update"));
  EXPECT_EQ(Run({"--json", "info"}), kExitMouseNotFound);
  EXPECT_EQ(out.str(),
            "{\"present\":false,\"firmwareVersion\":\"-.--\",\"versionNumber\":null,"
            "\"bootloader\":true}\n");

  // ... and the update finishes it from there.
  EXPECT_EQ(Run({"firmware", "--yes", "--image", UnmarkedImage(3072)}), kExitOk);
  EXPECT_EQ(Lines(out.str()).front(), kUpdatingText);
  EXPECT_EQ(Run({"info"}), kExitOk);
  EXPECT_TRUE(Has(out.str(), "V0.27"));
}

TEST(FirmwareOptions, BelongToFirmwareAndAreCheckedLikeTheOthers) {
  ParseResult parsed = ParseCommandLine({"firmware", "--image=/tmp/a.bin", "--yes", "--trace"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  EXPECT_EQ(parsed.options.command, CliCommand::kFirmware);
  EXPECT_EQ(parsed.options.imagePath, "/tmp/a.bin");
  EXPECT_TRUE(parsed.options.assumeYes);
  EXPECT_TRUE(parsed.options.trace);

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"--yes", "firmware"}, "--yes belongs to 'firmware'"},
      {{"apply", "--image", "x"}, "--image belongs to 'firmware'"},
      {{"firmware", "--image"}, "--image needs the path"},
      {{"firmware", "--image="}, "--image needs the path"},
      {{"firmware", "--yes", "--yes"}, "--yes is given more than once"},
      {{"firmware", "--yes=no"}, "--yes takes no value"},
      {{"firmware", "--dpi", "800,800,800,800"}, "--dpi belongs to 'apply'"},
  };
  for (const auto& [args, message] : refused) {
    parsed = ParseCommandLine(args);
    EXPECT_FALSE(parsed.ok) << args[0];
    EXPECT_TRUE(Has(parsed.error, message)) << parsed.error;
  }
  EXPECT_TRUE(Has(HelpText(CliCommand::kFirmware), "--image FILE"));
}

TEST(TextProgressReporter, RedrawsTheBarOnATerminalAndEndsItsLineBeforeText) {
  std::ostringstream terminal;
  {
    TextProgressReporter reporter(terminal, true);
    reporter.SetStatusText("a");
    reporter.SetProgress(2);
    reporter.SetProgress(52);
    reporter.SetStatusText("b");
    reporter.SetProgress(97);
    reporter.EnableExitButton();
  }
  EXPECT_EQ(terminal.str(), "a\n\r" + ProgressBar(2) + "\r" + ProgressBar(52) + "\nb\n\r" +
                                ProgressBar(97) + "\n");
  EXPECT_EQ(ProgressBar(0), "[                              ]   0%");
  EXPECT_EQ(ProgressBar(52), "[###############               ]  52%");
  EXPECT_EQ(ProgressBar(130), ProgressBar(100));
}

}  // namespace
}  // namespace tr58k
