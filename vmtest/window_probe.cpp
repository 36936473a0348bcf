// tr58k-window-probe: the configuration window as tr58k-config runs it (the
// real CUpdaterDlg in its Qt host on the Linux backend), on Qt's offscreen platform, with
// what it shows written to standard output whenever it changes:
//   version TEXT     the firmware version field ("V0.26" or "-.--")
//   dpi1 TEXT        the DPI edit box of level 1
// so that a VM scenario can plug and unplug the virtual mouse and watch the
// window follow. It runs until killed.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/updater_dlg.h"
#include "device/clock.h"
#include "device/linux/linux_hid_backend.h"
#include "firmware/firmware_image.h"
#include "ui/qt/qt_dialog_host.h"

namespace {

constexpr int kPollMs = 50;

template <typename Widget>
QString TextOf(const QWidget& dialog, const char* name) {
  const auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
  return widget != nullptr ? widget->text() : QStringLiteral("(missing)");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tr58k::SystemClock clock;
  std::unique_ptr<tr58k::HidBackend> backend = tr58k::CreateLinuxHidBackend();
  tr58k::DeviceLink link(*backend, clock);
  tr58k::CUpdaterDlg window(link, tr58k::EmbeddedFirmwareImage());
  tr58k::QtDialogHost dialog(window);

  QString version = QStringLiteral("(none)");
  QString dpi1 = version;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const QString nowVersion = TextOf<QLabel>(dialog, "ctl1027");
    const QString nowDpi1 = TextOf<QLineEdit>(dialog, "ctl1020");
    if (nowVersion != version) {
      version = nowVersion;
      std::printf("version %s\n", version.toUtf8().constData());
    }
    if (nowDpi1 != dpi1) {
      dpi1 = nowDpi1;
      std::printf("dpi1 %s\n", dpi1.toUtf8().constData());
    }
    std::fflush(stdout);
  });
  watch.start(kPollMs);
  dialog.RunModal();
  return 0;
}
