// Runs the built tr58kctl as a user would, with XDG_CONFIG_HOME in a
// temporary folder, and checks its output, exit status and profile file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "cli/cli_messages.h"
#include "cli/cli_options.h"
#include "testing/cli_rig.h"

extern char** environ;

namespace tr58k {
namespace {

struct ProcessRun {
  int status = -1;
  std::string out, err;
  std::vector<std::string> errLines;
};

std::string FileText(const std::string& path) {
  const auto bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

class Tr58kctlEndToEndTest : public ::testing::Test {
 protected:
  // `environment`: NAME=VALUE to set in the program's environment, NAME= to
  // take out; by default the texts as written, whatever the caller's locale.
  ProcessRun Tr58kctl(std::vector<std::string> args,
                      const std::vector<std::string>& environment = {"TR58K_LANGUAGE=C"}) {
    const std::string outPath = home.Dir() + "/stdout", errPath = home.Dir() + "/stderr";
    args.insert(args.begin(), TR58KCTL_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ProcessRun run;
    const pid_t child = ::fork();
    if (child == 0) {
      const int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int i = ::open("/dev/null", O_RDONLY);  // nobody answers a question
      if (o < 0 || e < 0 || i < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 || ::dup2(i, 0) < 0) {
        ::_exit(127);
      }
      for (const std::string& variable : environment) {
        const size_t eq = variable.find('=');
        const std::string name = variable.substr(0, eq), value = variable.substr(eq + 1);
        if (value.empty()) {
          ::unsetenv(name.c_str());
        } else {
          ::setenv(name.c_str(), value.c_str(), 1);
        }
      }
      ::execve(argv[0], argv.data(), environ);  // XDG_CONFIG_HOME is the temp folder
      ::_exit(127);
    }
    int wstatus = 0;
    if (child > 0 && ::waitpid(child, &wstatus, 0) == child && WIFEXITED(wstatus)) {
      run.status = WEXITSTATUS(wstatus);
    }
    run.out = FileText(outPath);
    run.err = FileText(errPath);
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) run.errLines.push_back(line);
    return run;
  }

  TempConfigHome home;
};

// The profile file of the window's start record with the given DPI values and
// the level the factory-fresh mouse reports (2), laid out field by field.
std::vector<uint8_t> ExpectedProfile(const char* name, std::array<uint16_t, 4> dpi) {
  std::vector<uint8_t> b = {0xFA, 0x15, 0x34, 0x01};
  const std::string n = name;
  for (uint8_t byte : {uint8_t(n.size()), uint8_t(0), uint8_t(0), uint8_t(0)}) b.push_back(byte);
  for (char c : n) b.insert(b.end(), {uint8_t(c), 0});
  b.insert(b.end(), {1, 0, 0, 0});  // auxOption
  b.insert(b.end(), {0, 1, 1, 0, 4, 2});  // index, backlight, interval (2 bytes), count, level
  for (int k = 0; k < 4; ++k) {
    if (k < 3) b.insert(b.end(), {0, 0, 0, 0});  // levelAttribute[0..2]
    for (int twice = 0; twice < 2; ++twice) {
      b.push_back(uint8_t(dpi[k] & 0xFF));
      b.push_back(uint8_t(dpi[k] >> 8));
    }
  }
  return b;
}

TEST_F(Tr58kctlEndToEndTest, TracedApplyShowsSaveSlotWriteSelectInOrder) {
  const ProcessRun run = Tr58kctl({"--simulate", "--trace", "apply", "--dpi", "800,1600,3200,6400"});
  ASSERT_EQ(run.status, kExitOk) << run.err;
  EXPECT_TRUE(run.out.find("Applied") != std::string::npos);

  // From the save on, the apply's exchanges, one per line, waits between them.
  const auto& lines = run.errLines;
  const auto save = std::find(lines.begin(), lines.end(), "save " + home.ProfilePath() + " ok");
  ASSERT_NE(save, lines.end()) << run.err;
  const std::vector<std::string> after(save + 1, lines.end());
  ASSERT_EQ(after.size(), 10u) << run.err;
  const char* expected[] = {"set 64 a1 03 ", "sleep 10", "get 64 a1 01", "set 1041 a0 08 ",
                            "sleep 80",      "get 64 a1",  "set 64 a1 04 ", "sleep 1500",
                            "get 64 a1",     "close"};
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_TRUE(StartsWith(after[i], expected[i])) << i << ": " << after[i];
  }
  // The write: A0 08 00 00 00 00 01 00, eight zeros, then the block.
  const std::vector<uint8_t> write = TraceBytes(after[3]);
  ASSERT_EQ(write.size(), 1041u);
  EXPECT_EQ(std::vector<uint8_t>(write.begin(), write.begin() + 16),
            (std::vector<uint8_t>{0xA0, 0x08, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  const auto block = write.begin() + 16;
  EXPECT_EQ(std::vector<uint8_t>(block + 0x34, block + 0x38), (std::vector<uint8_t>{0x20, 0x03, 0x20, 0x03}));
  EXPECT_EQ(std::vector<uint8_t>(block + 0x3D, block + 0x41), (std::vector<uint8_t>{0x40, 0x06, 0x40, 0x06}));
  EXPECT_EQ(std::vector<uint8_t>(block + 0x52, block + 0x56), (std::vector<uint8_t>{0x80, 0x0C, 0x80, 0x0C}));
  EXPECT_EQ(std::vector<uint8_t>(block + 0x5C, block + 0x60), (std::vector<uint8_t>{0x00, 0x19, 0x00, 0x19}));
  EXPECT_EQ(block[0x32], 0xFF);
  EXPECT_EQ(write[1040], 0);

  // Before the save: the start-up read of the mouse's settings.
  ASSERT_GE(save - lines.begin(), 4);
  EXPECT_EQ(lines[0], "open 4c95:5837 ok");
  EXPECT_TRUE(StartsWith(lines[1], "set 64 a1 07 "));
  EXPECT_EQ(lines[2], "sleep 80");
  EXPECT_TRUE(StartsWith(lines[3], "get 1041 a1 01 "));

  EXPECT_EQ(ReadBytes(home.ProfilePath()), ExpectedProfile("Profile", {800, 1600, 3200, 6400}));
}

TEST_F(Tr58kctlEndToEndTest, ProfileAndShowReadBackWhatApplyStored) {
  ASSERT_EQ(Tr58kctl({"--simulate", "apply", "--levels", "2", "--rate", "500"}).status, kExitOk);
  ProcessRun run = Tr58kctl({"--json", "profile"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "{\"profilePath\":\"" + home.ProfilePath() +
                         "\",\"profileName\":\"Profile\",\"auxOption\":1,\"profileIndex\":0,"
                         "\"wheelBacklight\":1,\"reportInterval\":2,\"dpiLevelCount\":2,"
                         "\"activeLevel\":2,\"levelAttribute\":[0,0,0],"
                         "\"dpi\":[[400,400],[800,800],[1600,1600],[3200,3200]]}\n");
  // A new simulated mouse starts from the factory: show gives the mouse's
  // values over the profile's.
  run = Tr58kctl({"--simulate", "show"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_NE(run.out.find("Report rate:      1000 Hz"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Profile name:     \"Profile\""), std::string::npos);
}

TEST_F(Tr58kctlEndToEndTest, RestoreStoresTheFactoryProfileAndSendsLevelTwo) {
  const ProcessRun run = Tr58kctl({"--simulate", "--trace", "restore"});
  ASSERT_EQ(run.status, kExitOk) << run.err;
  const auto write = std::find_if(run.errLines.begin(), run.errLines.end(),
                                  [](const std::string& l) { return StartsWith(l, "set 1041 "); });
  ASSERT_NE(write, run.errLines.end());
  EXPECT_EQ(TraceBytes(*write).at(16 + 0x32), 2);
  EXPECT_EQ(ReadBytes(home.ProfilePath()), ExpectedProfile("profile", {400, 800, 1600, 3200}));
}

TEST_F(Tr58kctlEndToEndTest, RefusedValuesTouchNothing) {
  const ProcessRun run = Tr58kctl({"--simulate", "--trace", "apply", "--dpi", "800,1600,3200,16050"});
  EXPECT_EQ(run.status, kExitBadArguments);
  EXPECT_NE(run.err.find("16050 for level 4 is out of range"), std::string::npos);
  EXPECT_EQ(run.err.find("open"), std::string::npos);  // the mouse was never opened
  EXPECT_TRUE(run.out.empty());
  EXPECT_FALSE(std::filesystem::exists(home.ProfilePath()));
}

TEST_F(Tr58kctlEndToEndTest, HelpPerCommand) {
  const ProcessRun run = Tr58kctl({"apply", "--help"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_NE(run.out.find("Usage: tr58kctl [OPTIONS] apply"), std::string::npos);
  EXPECT_TRUE(run.err.empty());
}

// The question before a firmware update, answered by nobody: nothing is
// sent (the real-time simulated update itself is checked in-process).
TEST_F(Tr58kctlEndToEndTest, FirmwareUpdateAsksAndStopsWithoutAnAnswer) {
  const ProcessRun run = Tr58kctl({"--simulate", "--trace", "firmware"});
  EXPECT_EQ(run.status, kExitNotConfirmed);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("Update the firmware now? [y/N]"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("set "), std::string::npos) << "no request was sent";
  EXPECT_NE(run.err.find("open 4c95:5837 ok"), std::string::npos);
}

// The program picks its language from the environment as gettext does.
TEST_F(Tr58kctlEndToEndTest, SpeaksTheLanguageOfTheEnvironment) {
  const std::vector<std::string> clear = {"TR58K_LANGUAGE=", "LC_ALL=", "LC_MESSAGES=",
                                          "LANGUAGE="};
  struct Case {
    std::vector<std::string> environment;
    const char* expected;
  };
  const Case cases[] = {
      {{"LANG=de_DE.UTF-8", "LANGUAGE=ko:de"}, "마우스:"},
      {{"LANG=C.UTF-8", "LANGUAGE=de"}, "Mouse:"},  // LANGUAGE does not count in C
      {{"LANG=de_DE.UTF-8", "TR58K_LANGUAGE=zh_TW"}, "滑鼠:"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> environment = clear;
    environment.insert(environment.end(), c.environment.begin(), c.environment.end());
    const ProcessRun run = Tr58kctl({"--simulate", "info"}, environment);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_TRUE(StartsWith(run.out, c.expected)) << testing::PrintToString(c.environment) << run.out;
  }
}

// This machine's real devices: without a TR-58K plugged in, apply shows the
// window's message and exits 3. Skipped where a mouse is present.
TEST_F(Tr58kctlEndToEndTest, RealDevicesWithoutTheMouse) {
  ProcessRun run = Tr58kctl({"--json", "info"});
  if (run.status == kExitOk) GTEST_SKIP() << "a TR-58K is plugged in here";
  if (run.status == kExitAccessDenied) GTEST_SKIP() << "a TR-58K is here but not accessible";
  EXPECT_EQ(run.status, kExitMouseNotFound) << run.err;
  EXPECT_EQ(run.out, "{\"present\":false,\"firmwareVersion\":\"-.--\",\"versionNumber\":null}\n");
  run = Tr58kctl({"apply", "--backlight", "off"});
  EXPECT_EQ(run.status, kExitMouseNotFound);
  EXPECT_TRUE(StartsWith(run.err, std::string(kMouseNotFoundMessage) + "\n")) << run.err;
  EXPECT_FALSE(std::filesystem::exists(home.ProfilePath()));
}

}  // namespace
}  // namespace tr58k
