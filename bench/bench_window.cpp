// The window's responsiveness: the real main window (offscreen) on the
// simulated mouse and the real clock, driven through its buttons and the
// mouse's cable while a 1 ms timer ticks on the window's thread. The longest
// interval between two ticks is the longest the event loop went without
// handling events. Prints the Markdown section of docs/performance.md.
//
//   tr58k-bench-window [--rounds N]
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_device.h"
#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "bench_util.h"
#include "device/sim/simulated_mouse.h"
#include "firmware/firmware_messages.h"
#include "ui/qt/message_box.h"
#include "ui/qt/qt_dialog_host.h"

namespace tr58k::bench {
namespace {

constexpr double kFrameMs = 1000.0 / 60.0;

class CountingBoxes final : public MessageBoxSink {
 public:
  void Warning(QWidget*, const QString&, const QString& text) override {
    texts.push_back(text.toStdString());
  }
  std::vector<std::string> texts;
};

// One step of the run: `start` once, then `done` is asked every poll.
struct Step {
  std::string measured;  // the row's name; empty: a preparation, not measured
  std::function<void()> start;
  std::function<bool()> done;
};

struct Row {
  std::string name;
  double wallMs = 0;
  double longestGapMs = 0;
  double longestGapAtMs = 0;  // when it ended, from the step's start
  int gapsOverFrame = 0;
};

class Driver : public QObject {
 public:
  Driver(QtDialogHost& dlg, std::vector<Step> steps) : dlg_(dlg), steps_(std::move(steps)) {
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(1);
    connect(&tick_, &QTimer::timeout, this, [this] { OnTick(); });
    poll_.setInterval(20);
    connect(&poll_, &QTimer::timeout, this, [this] { OnPoll(); });
  }
  void Begin() {
    lastTick_ = NowMs();
    tick_.start();
    poll_.start();
  }
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  void OnTick() {
    const double now = NowMs();
    const double gap = now - lastTick_;
    lastTick_ = now;
    if (!measuring_) return;
    Row& row = rows_.back();
    if (gap > row.longestGapMs) {
      row.longestGapMs = gap;
      row.longestGapAtMs = now - stepStart_;
    }
    row.gapsOverFrame += gap > kFrameMs;
  }

  void OnPoll() {
    if (index_ >= steps_.size()) {
      poll_.stop();
      tick_.stop();
      dlg_.reject();
      return;
    }
    Step& step = steps_[index_];
    if (!started_) {
      started_ = true;
      stepStart_ = NowMs();
      if (!step.measured.empty()) {
        rows_.push_back(Row{step.measured});
        measuring_ = true;
      }
      if (step.start) step.start();
      return;
    }
    if (!step.done()) {
      if (NowMs() - stepStart_ > 120000) Fail("a step did not end: " + step.measured);
      return;
    }
    if (measuring_) rows_.back().wallMs = NowMs() - stepStart_;
    measuring_ = false;
    started_ = false;
    ++index_;
  }

  QtDialogHost& dlg_;
  std::vector<Step> steps_;
  std::vector<Row> rows_;
  QTimer tick_, poll_;
  double lastTick_ = 0;
  double stepStart_ = 0;
  size_t index_ = 0;
  bool started_ = false;
  bool measuring_ = false;
};

QtDialogHost* UpdateHost() { return qobject_cast<QtDialogHost*>(QApplication::activeModalWidget()); }

CFwUpdate* UpdateWindow() {
  QtDialogHost* host = UpdateHost();
  return host ? dynamic_cast<CFwUpdate*>(&host->Logic()) : nullptr;
}

QString StatusOf(CFwUpdate*) { return UpdateHost()->GetDlgItemAs<QLineEdit>(fwctl::kStatus)->text(); }

}  // namespace
}  // namespace tr58k::bench

int main(int argc, char** argv) {
  using namespace tr58k;
  using namespace tr58k::bench;
  int rounds = 3;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--rounds") rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::string home = UsePrivateConfigHome("window");
  QApplication app(argc, argv);
  CountingBoxes boxes;
  SetMessageBoxSink(&boxes);

  // The mouse, link and image as tr58k-config --simulate chooses them.
  ProgramDevice device(ParseAppOptions({"tr58k-config", "--simulate"}));
  const AppDevice chosen = device.ForWindow();
  SimulatedMouse& mouse = *chosen.simulated;
  std::vector<Row> rows;
  {
    CUpdaterDlg win(chosen.link, chosen.firmwareImage);
    QtDialogHost dlg(win);
    auto version = [&dlg] { return dlg.GetDlgItemAs<QLabel>(ctl::kFirmwareVersion)->text(); };
    auto idle = [&win] { return win.DeviceWorkIdle() && !win.FirmwareUpdateRunning(); };
    auto click = [&dlg](int id) { dlg.GetDlgItemAs<QPushButton>(id)->click(); };
    auto unplugged = [&, idle] { return idle() && version() == QLatin1String(kNoFirmwareVersionText); };
    auto connected = [&, idle] { return idle() && version() != QLatin1String(kNoFirmwareVersionText); };
    double seen = 0;

    // The outcomes the run must have had, or its figures mean nothing.
    std::vector<QString> probeTexts, updateTexts;
    auto endOfWork = [](std::vector<QString>& texts) {
      return [&texts] {
        if (UpdateWindow()->UpdateRunning()) return false;
        texts.push_back(StatusOf(UpdateWindow()));
        return true;
      };
    };
    std::vector<Step> steps = {{"", nullptr, [&dlg] { return dlg.isVisible(); }}};
    for (int round = 0; round < rounds; ++round) {
      const std::vector<Step> one = {
          {"window idle (3 s)", [&] { seen = NowMs(); },
           [&] { return NowMs() - seen > 3000; }},
          {"apply (click to done)", [&] { click(ctl::kApply); }, idle},
          {"restore (click to done)", [&] { click(ctl::kRestoreFactory); }, idle},
          {"", [&] { mouse.Unplug(); }, unplugged},
          {"arrival refresh (plug to settings shown)", [&] { mouse.Plug(); }, connected},
          {"", [&] { mouse.Unplug(); }, unplugged},
          {"",
           [&] { QTimer::singleShot(0, &dlg, [&] { click(ctl::kFirmwareUpdate); }); },
           [] { return UpdateHost() && UpdateHost()->isVisible(); }},
          {"update-mode probe, mouse absent (click to message)",
           [] { UpdateWindow()->OnUpdateClicked(); }, endOfWork(probeTexts)},
          {"", [&] { mouse.Plug(); }, connected},
          {"firmware update, 21 blocks (click to result)", [] { UpdateWindow()->OnUpdateClicked(); },
           endOfWork(updateTexts)},
          {"", [] { UpdateWindow()->OnExitClicked(); }, [&] { return !UpdateWindow() && connected(); }},
      };
      steps.insert(steps.end(), one.begin(), one.end());
    }

    Driver driver(dlg, std::move(steps));
    QTimer::singleShot(0, &driver, [&driver] { driver.Begin(); });
    dlg.RunModal();
    rows = driver.Rows();
    if (probeTexts.size() != static_cast<size_t>(rounds) || updateTexts.size() != probeTexts.size()) {
      Fail("the run did not go through every round");
    }
    for (const QString& text : probeTexts) {
      if (text != QString::fromUtf8(kMouseNotDetectedText)) {
        Fail("the probe ended with \"" + text.toStdString() + "\"");
      }
    }
    for (const QString& text : updateTexts) {
      if (!text.startsWith(QString::fromUtf8("更新完成"))) {
        Fail("the update ended with \"" + text.toStdString() + "\"");
      }
    }
  }
  SetMessageBoxSink(nullptr);
  std::filesystem::remove_all(home);
  if (!boxes.texts.empty()) Fail("a message box came up: " + boxes.texts.front());

  std::printf("## The window's responsiveness (offscreen, real clock, simulated mouse)\n\n");
  std::printf("Command: `%s`\n\n", CommandLine(argc, argv).c_str());
  std::printf("| while | rounds | wall ms, median | longest gap ms, median of rounds | longest gap ms, "
              "worst round (ended at ms into the step) | gaps over one frame (16.7 ms), all rounds |\n"
              "|---|---|---|---|---|---|\n");
  // One line per kind of step: the worst of its rounds, and the median
  // of the rounds' longest gaps.
  std::vector<std::string> names;
  for (const Row& row : rows) {
    if (std::find(names.begin(), names.end(), row.name) == names.end()) names.push_back(row.name);
  }
  for (const std::string& name : names) {
    std::vector<double> walls, gaps;
    const Row* worst = nullptr;
    int overFrame = 0;
    for (const Row& row : rows) {
      if (row.name != name) continue;
      walls.push_back(row.wallMs);
      gaps.push_back(row.longestGapMs);
      overFrame += row.gapsOverFrame;
      if (!worst || row.longestGapMs > worst->longestGapMs) worst = &row;
    }
    std::printf("| %s | %zu | %s | %s | %s (at %s) | %d |\n", name.c_str(), walls.size(),
                Ms(Summarise(walls).median, 0).c_str(), Ms(Summarise(gaps).median, 2).c_str(),
                Ms(worst->longestGapMs, 2).c_str(), Ms(worst->longestGapAtMs, 0).c_str(), overFrame);
  }
  std::printf("\nA 1 ms precise timer ticks on the window's thread for the whole run; a gap is the "
              "time between two ticks, so it includes the 1 ms period and the operating system's "
              "wake-up. The original design ran these on the window's thread and blocked it: 80 ms "
              "and more for a refresh, 900 ms before an arrival refresh, 3 s for the probe of an "
              "absent mouse, and up to 4.5 s in a busy wait; here every device job runs on the "
              "window's device worker or the update's worker, and the window only shows what they "
              "report. The probe row and the update row run inside the update window's modal loop "
              "(the update window's own event loop on the same thread). The wall times are taken by "
              "a 20 ms poll, so they are good to 20 ms.\n\n");
  return 0;
}
