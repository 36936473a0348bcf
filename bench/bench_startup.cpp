// Start-up: the time from exec to the main window's first paint, with the
// mouse absent and present; the process's peak memory; and the CPU it uses
// while the window sits idle for 30 s.
// Prints the Markdown section of docs/performance.md.
//
//   tr58k-bench-startup [--runs N] [--idle-seconds S]
//
// The program starts itself again for each measurement. The child is the
// window program's own start (its device and CUpdaterApp on the Qt host, what
// tr58k-config's main() runs) with one addition, an event filter that notes the main
// window's first paint; the parent takes the monotonic time just before
// exec and hands it over in the environment.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/app_device.h"
#include "app/main_dialog_template.h"
#include "app/qt/qt_app_host.h"
#include "app/updater_app.h"
#include "app/updater_dlg.h"
#include "bench_util.h"
#include "ui/qt/qt_dialog_host.h"

namespace tr58k::bench {
namespace {

constexpr const char* kExecTimeVariable = "TR58K_BENCH_EXEC_NS";

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// In the child: the first paint of the main window, then (when asked) an
// idle stretch, then the window is closed.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(int idleMs) : idleMs_(idleMs) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      auto* dlg = qobject_cast<QtDialogHost*>(watched);
      if (dlg && dynamic_cast<CUpdaterDlg*>(&dlg->Logic())) {
        seen_ = true;
        // Once this paint has been handled.
        QTimer::singleShot(0, dlg, [this, dlg] { Shown(dlg); });
      }
    }
    return false;
  }

  double shownMs = 0;
  double idleCpuMs = 0;
  std::string version;

 private:
  void Shown(QtDialogHost* dlg) {
    const char* exec = std::getenv(kExecTimeVariable);
    shownMs = exec ? (MonotonicNs() - std::atoll(exec)) / 1e6 : -1;
    version = dlg->GetDlgItemAs<QLabel>(ctl::kFirmwareVersion)->text().toStdString();
    if (idleMs_ <= 0) {
      dlg->reject();
      return;
    }
    const double cpuBefore = CpuMs();
    QTimer::singleShot(idleMs_, dlg, [this, dlg, cpuBefore] {
      idleCpuMs = CpuMs() - cpuBefore;
      dlg->reject();
    });
  }

  const int idleMs_;
  bool seen_ = false;
};

int RunChild(int argc, char** argv, int idleMs) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication qt(argc, argv);
  std::vector<std::string> arguments;
  for (const QString& arg : QApplication::arguments()) arguments.push_back(arg.toStdString());
  const AppOptions options = ParseAppOptions(arguments);
  ProgramDevice device(options);
  QtAppHost host;
  CUpdaterApp app(options, device.ForWindow(), host);
  FirstPaint watcher(idleMs);
  qt.installEventFilter(&watcher);
  app.Run();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.3f %.3f %ld %s\n", watcher.shownMs, watcher.idleCpuMs, usage.ru_maxrss,
              watcher.version.c_str());
  return 0;
}

struct ChildResult {
  double shownMs = 0;
  double idleCpuMs = 0;
  long maxRssKb = 0;
  std::string version;
};

// Starts this program as a child with `args`, waits at most `limitS`.
ChildResult Launch(const std::string& self, const std::vector<std::string>& args, int limitS) {
  int out[2];
  if (pipe(out) != 0) Fail("pipe");
  const pid_t pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv{const_cast<char*>(self.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv(kExecTimeVariable, std::to_string(MonotonicNs()).c_str(), 1);
    execv(self.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[256];
  const double deadline = NowMs() + limitS * 1000.0;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (NowMs() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      Fail("the window did not start and close within " + std::to_string(limitS) + " s");
    }
    usleep(10000);
  }
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("the child failed");
  ChildResult result;
  char version[64] = "";
  if (std::sscanf(text.c_str(), "%lf %lf %ld %63s", &result.shownMs, &result.idleCpuMs,
                  &result.maxRssKb, version) < 3) {
    Fail("the child said: " + text);
  }
  result.version = version;
  return result;
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  const char* expectedVersion;  // nullptr: any
};

}  // namespace
}  // namespace tr58k::bench

int main(int argc, char** argv) {
  using namespace tr58k;
  using namespace tr58k::bench;
  if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(argc, argv, std::atoi(argv[2]));

  const int runs = std::max(1, ParseCount(argc, argv, "--runs", 5));
  const int idleS = ParseCount(argc, argv, "--idle-seconds", 30, 0);
  const std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const std::string home = UsePrivateConfigHome("startup");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);

  const std::vector<Case> cases = {
      {"simulated mouse absent (`--simulate-unplugged`)", {"--simulate-unplugged"}, "-.--"},
      {"simulated mouse present (`--simulate`)", {"--simulate"}, "V0.26"},
      {"real Linux backend (no mouse on this machine)", {}, nullptr},
  };
  auto childArgs = [](int idleMs, const std::vector<std::string>& extra) {
    std::vector<std::string> args{"--child", std::to_string(idleMs)};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };

  std::printf("## Start-up, memory and idle CPU (offscreen)\n\n");
  std::printf("Command: `%s`\n\n", CommandLine(argc, argv).c_str());
  std::printf("| start | runs | exec to first paint ms, median (min–max) | peak RSS MiB, median | "
              "version shown |\n|---|---|---|---|---|\n");
  for (const Case& c : cases) {
    Launch(self, childArgs(0, c.args), 60);  // warm-up: libraries and fonts in the page cache
    std::vector<double> shown, rss;
    std::string version;
    for (int i = 0; i < runs; ++i) {
      const ChildResult r = Launch(self, childArgs(0, c.args), 60);
      if (c.expectedVersion && r.version != c.expectedVersion) {
        Fail(std::string(c.name) + " showed version " + r.version);
      }
      shown.push_back(r.shownMs);
      rss.push_back(r.maxRssKb / 1024.0);
      version = r.version;
    }
    const Stats s = Summarise(shown);
    std::printf("| %s | %d | %s (%s–%s) | %s | %s |\n", c.name, runs, Ms(s.median, 0).c_str(),
                Ms(s.min, 0).c_str(), Ms(s.max, 0).c_str(), Ms(Summarise(rss).median, 1).c_str(),
                version.c_str());
  }

  if (idleS > 0) {
    std::printf("\n| idle for %d s after the first paint | CPU ms | CPU, %% of one core | peak RSS MiB |\n"
                "|---|---|---|---|\n",
                idleS);
    for (size_t i = 1; i < cases.size(); ++i) {
      const ChildResult r = Launch(self, childArgs(idleS * 1000, cases[i].args), idleS + 60);
      std::printf("| %s | %s | %.3f%% | %s |\n", cases[i].name, Ms(r.idleCpuMs, 0).c_str(),
                  r.idleCpuMs / (idleS * 10.0), Ms(r.maxRssKb / 1024.0, 1).c_str());
    }
  }
  std::filesystem::remove_all(home);

  std::printf("\nThe time runs from just before `execve` (taken by the parent) to the end of the main "
              "window's first paint event, after a warm-up start (libraries and fonts in the page "
              "cache). The window is built and the profile loaded; the mouse is opened and its "
              "configuration read on the device worker, which the first show waits for (up to "
              "0.5 s), so the start with the mouse present includes the configuration read's "
              "fixed 80 ms wait, the one protocol wait of a start. Peak RSS is the child's "
              "`ru_maxrss` at its exit. Idle CPU is the child's user and system time, all threads, "
              "over the idle stretch (%d s; the DPI timer runs only while a tick can change "
              "something).\n\n",
              idleS);
  return 0;
}
