#include "cli/cli_commands.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/cli_messages.h"
#include "cli/cli_test_support.h"
#include "device/sim/normal_firmware.h"
#include "device/sim/simulated_mouse.h"
#include "settings/device_settings.h"
#include "settings/profile_file.h"

namespace tr58k {
namespace {

using namespace testing_support;

constexpr size_t kActiveLevelOffset = 0x32;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

DeviceConfigBlock BlockOf(const MouseSettings& settings) {
  DeviceSettings device;
  ToDeviceSettings(settings, device);
  DeviceConfigBlock block{};
  EncodeConfigBlock(device, block);
  return block;
}

DeviceSettings Decode(const DeviceConfigBlock& block) {
  DeviceSettings device;
  DecodeConfigBlock(block, device);
  return device;
}

// While it lives, no file of this process may grow past a few bytes: a
// write stops short with EFBIG, as it would with ENOSPC on a full disk, and
// root is held to it as well (an unwritable folder would not stop root).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

// The commands against a simulated mouse on simulated time, with the
// profile in a temporary XDG_CONFIG_HOME.
class CliCommandsTest : public ::testing::Test {
 protected:
  explicit CliCommandsTest(SimulatedMouseOptions options = {})
      : mouse(clock, options), link(mouse, clock) {
    link.trace = [this](std::string_view line) { trace.emplace_back(line); };
  }

  CliContext Context(bool json = false) {
    return CliContext{link, DefaultProfilePath(), json, out, err};
  }

  // The command codes of the requests the mouse received, in order.
  std::vector<uint8_t> Commands() const {
    std::vector<uint8_t> codes;
    for (const auto& request : mouse.Requests()) codes.push_back(request.at(1));
    return codes;
  }

  bool ProfileExists() const { return std::filesystem::exists(home.ProfilePath()); }

  TempConfigHome home;
  ManualClock clock;
  SimulatedMouse mouse;
  DeviceLink link;
  std::vector<std::string> trace;
  std::ostringstream out, err;
};

TEST_F(CliCommandsTest, InfoReportsThePresentMouseAndClosesTheLink) {
  auto context = Context();
  EXPECT_EQ(RunInfo(context), kExitOk);
  EXPECT_TRUE(Has(out.str(), "present"));
  EXPECT_TRUE(Has(out.str(), "V0.26"));
  EXPECT_EQ(link.handle, nullptr);
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.front(), "open 4c95:5837 ok");
  EXPECT_EQ(trace.back(), "close");
}

TEST_F(CliCommandsTest, InfoWithoutTheMouseSaysSoAndExitsThree) {
  mouse.Unplug();
  auto context = Context(true);
  EXPECT_EQ(RunInfo(context), kExitMouseNotFound);
  EXPECT_EQ(out.str(), "{\"present\":false,\"firmwareVersion\":\"-.--\",\"versionNumber\":null}\n");
}

TEST_F(CliCommandsTest, RefusedNodeExplainsTheUdevRuleNeverRoot) {
  mouse.AddFault(Fault::OpenError(hid_error::kAccessDenied, Fault::kForever));
  for (int command = 0; command < 3; ++command) {
    out.str(""), err.str("");
    auto context = Context();
    const int status = command == 0   ? RunInfo(context)
                       : command == 1 ? RunApply({}, context)
                                      : RunRestore(context);
    EXPECT_EQ(status, kExitAccessDenied) << command;
    const std::string message = err.str();
    EXPECT_TRUE(Has(message, "/dev/hidraw")) << message;
#ifdef _WIN32
    // Windows has no permission rule to install: another program holds it.
    EXPECT_TRUE(Has(message, "access denied"));
    EXPECT_TRUE(Has(message, "Another program holds the mouse open"));
    EXPECT_FALSE(Has(message, "udev"));
#else
    EXPECT_TRUE(Has(message, "70-zemo-tr58k.rules"));
    EXPECT_TRUE(Has(message, "/etc/udev/rules.d"));
    EXPECT_TRUE(Has(message, "udevadm control --reload"));
    EXPECT_TRUE(Has(message, "udevadm trigger"));
#endif
    EXPECT_TRUE(Has(message, "plug it in again"));
    EXPECT_FALSE(Has(message, "root"));
    EXPECT_FALSE(Has(message, "sudo"));
    EXPECT_EQ(Has(message, kMouseNotFoundMessage), command != 0);
  }
  EXPECT_FALSE(ProfileExists());
}

TEST_F(CliCommandsTest, ShowIsTheProfileWithTheMouseOverIt) {
  MouseSettings stored = LoadStartupSettings(DefaultProfilePath());
  stored.profileName = u"\u6211\u7684";
  stored.auxOption = 7;
  stored.dpi[0] = {1000, 1000};
  ASSERT_TRUE(SaveProfile(stored, DefaultProfilePath()));
  MouseSettings onMouse;
  onMouse.reportInterval = kInterval125Hz;
  onMouse.dpi[0] = {2000, 2000};
  onMouse.dpiLevelCount = 3;
  mouse.SetBlock(BlockOf(onMouse));

  auto context = Context(true);
  EXPECT_EQ(RunShow(context), kExitOk);
  const std::string json = out.str();
  EXPECT_TRUE(Has(json, "\"profileName\":\"\xe6\x88\x91\xe7\x9a\x84\"")) << json;  // profile
  EXPECT_TRUE(Has(json, "\"auxOption\":7"));            // profile: the mouse does not say
  EXPECT_TRUE(Has(json, "\"reportInterval\":8"));       // mouse
  EXPECT_TRUE(Has(json, "\"dpiLevelCount\":3"));        // mouse
  EXPECT_TRUE(Has(json, "\"dpi\":[[2000,2000],"));      // mouse over profile
  EXPECT_TRUE(err.str().empty()) << err.str();
  EXPECT_EQ(mouse.Requests().size(), 1u);  // one read, nothing written
}

TEST_F(CliCommandsTest, ShowFallsBackToTheStoredSettingsWithANote) {
  MouseSettings stored = LoadStartupSettings(DefaultProfilePath());
  stored.dpi[3] = {6400, 6400};
  ASSERT_TRUE(SaveProfile(stored, DefaultProfilePath()));

  mouse.AddFault(Fault::Status(kSimStatusRejected).ForCommand(0x07));
  auto context = Context(true);
  EXPECT_EQ(RunShow(context), kExitOk);
  EXPECT_TRUE(Has(out.str(), "[1600,1600],[6400,6400]]")) << out.str() << err.str();
  EXPECT_TRUE(Has(err.str(), "did not send its settings"));

  mouse.Unplug();
  out.str(""), err.str("");
  EXPECT_EQ(RunShow(context), kExitOk);
  EXPECT_TRUE(Has(out.str(), "[6400,6400]]"));
  EXPECT_TRUE(Has(err.str(), "not found"));
}

TEST_F(CliCommandsTest, ShowWithoutProfileOrMouseGivesTheWindowDefaults) {
  mouse.Unplug();
  auto context = Context(true);
  EXPECT_EQ(RunShow(context), kExitOk);
  EXPECT_TRUE(Has(out.str(), "\"profileName\":\"Profile\""));
  EXPECT_TRUE(Has(out.str(), "\"dpi\":[[400,400],[800,800],[1600,1600],[3200,3200]]"));
  EXPECT_TRUE(Has(out.str(), "\"activeLevel\":255"));
}

TEST_F(CliCommandsTest, ApplySavesBeforeTheFirstCommandAndSendsWhatIsNamed) {
  ApplyChanges changes;
  changes.dpi = std::array<int16_t, 4>{800, 1600, 3200, 6400};
  bool savedBeforeSlotQuery = false;
  link.trace = [&](std::string_view line) {
    trace.emplace_back(line);
    if (StartsWith(std::string(line), "set 64 a1 03")) {
      MouseSettings onDisk;
      savedBeforeSlotQuery = LoadProfile(onDisk, DefaultProfilePath()) &&
                             onDisk.dpi[3] == DpiPair{6400, 6400};
    }
  };
  clock.ClearSleeps();
  auto context = Context();
  EXPECT_EQ(RunApply(changes, context), kExitOk) << err.str();
  EXPECT_TRUE(savedBeforeSlotQuery);
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x07, 0x03, 0x08, 0x04}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{80, 10, 80, 1500}));

  const DeviceSettings sent = Decode(mouse.Block());
  EXPECT_EQ(sent.levels[0].dpiX, 800);
  EXPECT_EQ(sent.levels[3].dpiY, 6400);
  EXPECT_EQ(mouse.Block()[kActiveLevelOffset], 0xFF);  // an apply sends no level
  EXPECT_EQ(sent.reportInterval, 1);                     // unnamed: kept

  MouseSettings onDisk;
  ASSERT_TRUE(LoadProfile(onDisk, DefaultProfilePath()));
  EXPECT_EQ(onDisk.profileName, u"Profile");
  EXPECT_EQ(onDisk.activeLevel, 2);  // what the factory-fresh mouse reported
  EXPECT_EQ(onDisk.dpi[1], (DpiPair{1600, 1600}));
  EXPECT_TRUE(Has(out.str(), "Applied"));
  EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(CliCommandsTest, ApplyKeepsWhatIsNotNamedAndEvensTheVerticalDpi) {
  MouseSettings onMouse;
  onMouse.reportInterval = kInterval500Hz;
  onMouse.dpiLevelCount = 2;
  onMouse.dpi[2] = {1600, 800};  // the window would send its horizontal value twice
  mouse.SetBlock(BlockOf(onMouse));
  ApplyChanges changes;
  changes.wheelBacklight = 0;
  auto context = Context(true);
  EXPECT_EQ(RunApply(changes, context), kExitOk);
  const DeviceSettings sent = Decode(mouse.Block());
  EXPECT_EQ(sent.reportInterval, 2);
  EXPECT_EQ(sent.dpiLevelCount, 2);
  EXPECT_EQ(sent.wheelBacklight, 0);
  EXPECT_EQ(sent.levels[2].dpiY, 1600);
  EXPECT_TRUE(Has(out.str(), "\"wheelBacklight\":0"));
  EXPECT_TRUE(Has(out.str(), "\"restorePending\":0"));
}

TEST_F(CliCommandsTest, ApplyRefusesUnsendableCurrentValuesBeforeSavingOrSending) {
  struct Case {
    const char* what;
    void (*spoil)(MouseSettings&);
    const char* option;
    void (*fix)(ApplyChanges&);
  };
  const Case cases[] = {
      {"dpi", [](MouseSettings& s) { s.dpi[2] = {425, 425}; }, "--dpi",
       [](ApplyChanges& c) { c.dpi = std::array<int16_t, 4>{400, 800, 1600, 3200}; }},
      {"levels", [](MouseSettings& s) { s.dpiLevelCount = 0; }, "--levels",
       [](ApplyChanges& c) { c.dpiLevelCount = 4; }},
      {"rate", [](MouseSettings& s) { s.reportInterval = 3; }, "--rate",
       [](ApplyChanges& c) { c.reportInterval = kInterval1000Hz; }},
  };
  for (const auto& c : cases) {
    MouseSettings onMouse;
    c.spoil(onMouse);
    mouse.SetBlock(BlockOf(onMouse));
    mouse.ClearLog();
    err.str("");
    auto context = Context();
    EXPECT_EQ(RunApply({}, context), kExitBadArguments) << c.what;
    EXPECT_TRUE(Has(err.str(), c.option)) << err.str();
    EXPECT_EQ(Commands(), std::vector<uint8_t>{0x07}) << c.what;
    EXPECT_FALSE(ProfileExists()) << c.what;

    ApplyChanges fix;
    c.fix(fix);
    EXPECT_EQ(RunApply(fix, context), kExitOk) << c.what << ": " << err.str();
    std::filesystem::remove(home.ProfilePath());
  }
}

TEST_F(CliCommandsTest, ApplyWithoutTheMouseShowsTheWindowMessageAndSavesNothing) {
  MouseSettings stored = LoadStartupSettings(DefaultProfilePath());
  stored.dpi[0] = {1000, 1000};
  ASSERT_TRUE(SaveProfile(stored, DefaultProfilePath()));
  const auto before = ReadBytes(home.ProfilePath());
  mouse.Unplug();
  ApplyChanges changes;
  changes.dpiLevelCount = 1;
  auto context = Context();
  EXPECT_EQ(RunApply(changes, context), kExitMouseNotFound);
  EXPECT_TRUE(StartsWith(err.str(), std::string(kMouseNotFoundMessage) + "\n"));
  EXPECT_EQ(ReadBytes(home.ProfilePath()), before);
  EXPECT_TRUE(out.str().empty());
}

TEST_F(CliCommandsTest, FailedCommandsExitFourAndStopTheSequence) {
  struct Case {
    const char* what;
    Fault fault;
    std::vector<uint8_t> commands;
  };
  const Case cases[] = {
      {"slot above 4", Fault::SlotAnswer(5), {0x07, 0x03}},
      {"write refused", Fault::SetError(hid_error::kGeneralFailure).ForCommand(0x08),
       {0x07, 0x03}},
      {"write unanswered", Fault::GetError(hid_error::kGeneralFailure).ForCommand(0x08),
       {0x07, 0x03, 0x08}},
  };
  for (const auto& c : cases) {
    mouse.ClearLog();
    mouse.AddFault(c.fault);
    err.str("");
    std::filesystem::remove(home.ProfilePath());
    ApplyChanges changes;
    changes.reportInterval = kInterval250Hz;
    auto context = Context();
    EXPECT_EQ(RunApply(changes, context), kExitCommandFailed) << c.what;
    EXPECT_EQ(Commands(), c.commands) << c.what;
    EXPECT_TRUE(Has(err.str(), "the mouse did not")) << c.what << ": " << err.str();
    MouseSettings onDisk;  // saved before the commands, as the window does
    ASSERT_TRUE(LoadProfile(onDisk, DefaultProfilePath())) << c.what;
    EXPECT_EQ(onDisk.reportInterval, kInterval250Hz);
    mouse.ClearFaults();
  }
}

TEST_F(CliCommandsTest, RestoreSendsAndSavesTheFactorySettings) {
  MouseSettings changed;
  changed.dpi = {DpiPair{100, 100}, {200, 200}, {300, 300}, {400, 400}};
  changed.wheelBacklight = 0;
  mouse.SetBlock(BlockOf(changed));
  MouseSettings stored = LoadStartupSettings(DefaultProfilePath());
  stored.profileName = u"Mine";
  ASSERT_TRUE(SaveProfile(stored, DefaultProfilePath()));

  auto context = Context(true);
  EXPECT_EQ(RunRestore(context), kExitOk) << err.str();
  EXPECT_EQ(mouse.Block(), FactoryConfigBlock());
  EXPECT_EQ(mouse.Block()[kActiveLevelOffset], 2);
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x03, 0x08, 0x04}));
  MouseSettings onDisk;
  ASSERT_TRUE(LoadProfile(onDisk, DefaultProfilePath()));
  MouseSettings factory;
  ResetToFactory(factory);
  EXPECT_EQ(onDisk.profileName, u"profile");
  EXPECT_EQ(onDisk.activeLevel, 2);
  EXPECT_EQ(onDisk.dpi, factory.dpi);
  EXPECT_TRUE(Has(out.str(), "\"restorePending\":1"));
}

TEST_F(CliCommandsTest, RestoreWithoutTheMouseLeavesTheProfileAlone) {
  mouse.Unplug();
  auto context = Context();
  EXPECT_EQ(RunRestore(context), kExitMouseNotFound);
  EXPECT_TRUE(Has(err.str(), kMouseNotFoundMessage));
  EXPECT_FALSE(ProfileExists());
}

TEST_F(CliCommandsTest, UnsavedProfileIsAWarningAndTraceShowsWhereTheSaveWas) {
  std::filesystem::create_directories(home.ProfilePath());  // a folder where the file goes
  auto context = Context();
  EXPECT_EQ(RunApply({}, context), kExitOk);
  EXPECT_TRUE(Has(err.str(), "could not be saved")) << err.str();
  const auto save = std::find_if(trace.begin(), trace.end(),
                                 [](const std::string& l) { return StartsWith(l, "save "); });
  ASSERT_NE(save, trace.end());
  EXPECT_EQ(*save, "save " + home.ProfilePath() + " failed");
  ASSERT_NE(save + 1, trace.end());
  EXPECT_TRUE(StartsWith(*(save + 1), "set 64 a1 03"));

  std::filesystem::remove(home.ProfilePath());
  trace.clear(), err.str("");
  EXPECT_EQ(RunApply({}, context), kExitOk);
  EXPECT_TRUE(err.str().empty()) << err.str();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "save " + home.ProfilePath() + " ok"),
            trace.end());
}

TEST_F(CliCommandsTest, SummaryLineTellsWhatReachedTheMouseAndTheProfile) {
  struct Case {
    const char* what;
    bool restore;
    bool diskFull;
    bool slotQueryFails;
    int status;
    const char* outLine;  // first line of standard output, or none
    const char* errLine;  // last line of standard error, or none
  };
  const Case cases[] = {
      {"apply", false, false, false, kExitOk, "Applied to the mouse; saved in the profile.", ""},
      {"apply, disk full", false, true, false, kExitOk,
       "Applied to the mouse; not saved in the profile.", ""},
      {"apply, mouse refuses", false, false, true, kExitCommandFailed, "",
       "Not applied to the mouse; saved in the profile."},
      {"apply, disk full, mouse refuses", false, true, true, kExitCommandFailed, "",
       "Not applied to the mouse; not saved in the profile."},
      {"restore", true, false, false, kExitOk,
       "Factory settings restored; saved in the profile.", ""},
      {"restore, disk full", true, true, false, kExitOk,
       "Factory settings restored on the mouse; not saved in the profile.", ""},
      {"restore, disk full, mouse refuses", true, true, true, kExitCommandFailed, "",
       "Factory settings not restored on the mouse; not saved in the profile."},
  };
  MouseSettings old = LoadStartupSettings(DefaultProfilePath());
  old.dpi[0] = {1000, 1000};
  for (const Case& c : cases) {
    ASSERT_TRUE(SaveProfile(old, DefaultProfilePath()));
    const auto before = ReadBytes(home.ProfilePath());
    mouse.ClearFaults();
    if (c.slotQueryFails) mouse.AddFault(Fault::SlotAnswer(5));
    out.str(""), err.str("");
    ApplyChanges changes;
    changes.dpi = std::array<int16_t, kDpiLevels>{900, 1600, 3200, 6400};
    auto context = Context();
    int status = -1;
    {
      std::optional<FileSizeLimit> full;
      if (c.diskFull) full.emplace(16);
      status = c.restore ? RunRestore(context) : RunApply(changes, context);
    }
    EXPECT_EQ(status, c.status) << c.what << ": " << err.str();
    const std::string firstOut = out.str().substr(0, out.str().find('\n'));
    EXPECT_EQ(firstOut, c.outLine) << c.what;
    std::string lastErr = err.str();
    if (!lastErr.empty()) lastErr.pop_back();
    lastErr = lastErr.substr(lastErr.rfind('\n') + 1);
    if (*c.errLine) {
      EXPECT_EQ(lastErr, c.errLine) << c.what;
    }
    EXPECT_EQ(Has(err.str(), "could not be saved to"), c.diskFull) << c.what << ": " << err.str();
    const auto after = ReadBytes(home.ProfilePath());
    EXPECT_EQ(after == before, c.diskFull) << c.what;  // a failed save keeps the old file whole
    const std::filesystem::directory_iterator folder(
        std::filesystem::path(home.ProfilePath()).parent_path());
    EXPECT_EQ(std::distance(begin(folder), end(folder)), 1) << c.what << ": a file left behind";
  }
}

TEST_F(CliCommandsTest, NoPerUserFolderStillAppliesAndSaysTheProfileWasNotSaved) {
  CliContext context{link, "", false, out, err};
  EXPECT_EQ(RunApply({}, context), kExitOk);
  EXPECT_TRUE(Has(err.str(), "the profile was not saved"));
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x07, 0x03, 0x08, 0x04}));
  out.str(""), err.str("");
  EXPECT_EQ(RunProfile(context), kExitOk);
  EXPECT_EQ(out.str(), "No profile.\n");
}

TEST_F(CliCommandsTest, ProfileShowsTheStoredFieldsOrThatThereIsNone) {
  auto context = Context(true);
  EXPECT_EQ(RunProfile(context), kExitOk);
  EXPECT_EQ(out.str(), "null\n");
  EXPECT_TRUE(err.str().empty());

  MouseSettings stored = LoadStartupSettings(DefaultProfilePath());
  stored.profileName = u"a\tb";
  stored.levelAttribute = {5, 6, 7, 8};
  ASSERT_TRUE(SaveProfile(stored, DefaultProfilePath()));
  out.str("");
  EXPECT_EQ(RunProfile(context), kExitOk);
  EXPECT_TRUE(Has(out.str(), "\"profileName\":\"a\\tb\"")) << out.str();
  EXPECT_TRUE(Has(out.str(), "\"levelAttribute\":[5,6,7]"));
  EXPECT_TRUE(mouse.Requests().empty());  // the profile command never asks the mouse

  WriteBytes(home.ProfilePath(), {0x00, 0x01, 0x02, 0x03, 0x04});
  out.str("");
  EXPECT_EQ(RunProfile(context), kExitOk);
  EXPECT_EQ(out.str(), "null\n");
  EXPECT_TRUE(Has(err.str(), "not a readable profile"));
}

TEST(ReadCommandLineInto, OnlyNamedValuesChange) {
  MouseSettings s;
  s.wheelBacklight = 9;
  s.dpi[1] = {800, 1200};
  ReadCommandLineInto({}, s);
  EXPECT_EQ(s.wheelBacklight, 0);  // the window's check box is only ticked for 1
  EXPECT_EQ(s.dpi[1], (DpiPair{800, 800}));
  EXPECT_EQ(s.reportInterval, kInterval1000Hz);

  ApplyChanges changes;
  changes.reportInterval = kInterval125Hz;
  changes.dpiLevelCount = 1;
  ReadCommandLineInto(changes, s);
  EXPECT_EQ(s.reportInterval, kInterval125Hz);
  EXPECT_EQ(s.dpiLevelCount, 1);
  EXPECT_EQ(s.dpi[3], (DpiPair{3200, 3200}));
}

}  // namespace
}  // namespace tr58k
