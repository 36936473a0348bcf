// tr58kctl with something hostile at the profile path: it starts, shows the
// defaults, and a later save replaces nothing it must not. The file-level
// rules are the settings tests' business; this is the whole command.
#include "faults/hostile_profile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "cli/cli_options.h"
#include "cli/settings_report.h"
#include "cli/tr58kctl_app.h"
#include "device/sim/simulated_mouse.h"
#include "faults/watchdog.h"
#include "settings/profile_file.h"
#include "testing/cli_rig.h"

namespace tr58k::faults {
namespace {

struct Ran {
  int status = -1;
  std::string out, err;
};

// tr58kctl in-process; its "real devices" are a simulated mouse that is not
// plugged in, on simulated time.
Ran Ctl(const std::vector<std::string>& args) {
  ManualClock clock;
  CliPlatform platform;
  platform.clock = &clock;
  platform.profilePath = DefaultProfilePath();
  platform.createBackend = [&clock]() -> std::unique_ptr<HidBackend> {
    return std::make_unique<SimulatedMouse>(clock, SimulatedMouseOptions{false});
  };
  std::ostringstream out, err;
  Ran ran;
  ran.status = RunTr58kctl(args, platform, out, err);
  ran.out = out.str();
  ran.err = err.str();
  return ran;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Start (show, profile), then a factory restore on the simulated mouse,
// which saves. Returns what went wrong, empty when nothing did.
std::string StartThenSave(Hostile kind, const std::string& home) {
  const std::string path = DefaultProfilePath();
  std::string problems;
  auto fail = [&](const std::string& what) { problems += what + "\n"; };

  const Ran show = Ctl({"show"});
  if (show.status != kExitOk) fail("show: exit status " + std::to_string(show.status));
  if (show.out != SettingsText(StartupDefaults(path)))
    fail("show did not print the defaults:\n" + show.out);
  const Ran profile = Ctl({"profile"});
  if (profile.status != kExitOk) fail("profile: exit status " + std::to_string(profile.status));
  if (!Has(profile.out, "No profile stored at")) fail("profile: " + profile.out);

  const Ran restore = Ctl({"--simulate", "restore"});
  if (restore.status != kExitOk)
    fail("restore: exit status " + std::to_string(restore.status) + ": " + restore.err);
  const bool warned = Has(restore.err, "the profile could not be saved");
  if (warned == SaveMayReplace(kind))
    fail("restore: " + std::string(warned ? "warned" : "no warning") + ": " + restore.err);

  MouseSettings factory;
  ResetToFactory(factory);
  if (std::string after = CheckAfterSave(kind, home, path, factory); !after.empty()) fail(after);
  return problems;
}

// Runs StartThenSave as the unprivileged user in a child process (root
// reads any file, whatever its mode) and hands back its result.
std::string StartThenSaveAsNobody(Hostile kind, const std::string& home) {
  if (!HandHomeToNobody(home)) return "cannot hand the folder to nobody";
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string result = (::setgid(65534) == 0 && ::setuid(65534) == 0)
                             ? StartThenSave(kind, home)
                             : std::string("cannot become nobody");
    if (result.empty()) result = "ok";
    const bool written =
        ::write(fds[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(fds[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child failed: " + result;
  return result == "ok" ? std::string() : result;
}

class HostileProfileCtl : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileProfileCtl, StartsWithTheDefaultsAndASaveReplacesNothingItMustNot) {
  TempConfigHome home;
  const HostileCase& hostile = GetParam();
  ASSERT_EQ(MakeHostile(hostile.kind, home.Dir(), DefaultProfilePath()), "");
  Watchdog watchdog(std::chrono::seconds(30));
  watchdog.Enter(std::string("tr58kctl with a hostile profile: ") + hostile.name);
  const bool drop = hostile.kind == Hostile::kUnreadable && ::geteuid() == 0;
  EXPECT_EQ(drop ? StartThenSaveAsNobody(hostile.kind, home.Dir())
                 : StartThenSave(hostile.kind, home.Dir()),
            "");
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileProfileCtl, ::testing::ValuesIn(AllHostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tr58k::faults
