// The main window's life: construction, initialisation, the start-up
// refresh, plug and unplug, and the window-level handlers. The settings
// panel is in settings_panel.cpp, apply and restore in apply_restore.cpp.
#include "app/updater_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSocketNotifier>
#include <QWindow>

#include "app/app_icon.h"
#include "app/main_dialog_template.h"
#include "app/support_page.h"
#include "settings/profile_file.h"
#include "ui/dhs_static.h"
#include "ui/message_box.h"

namespace tr58k {

CUpdaterDlg::CUpdaterDlg(DeviceLink& link, QWidget* parent)
    : CDialogBase(MainDialogTemplate(), parent),
      m_link(link),
      m_hIcon(LoadAppIcon()),
      m_settings(std::make_unique<MouseSettings>()) {
  m_settings->profileIndex = 0;
  m_settings->profileName = u"Profile";
  m_settings->profilePath = DefaultProfilePath();
  // A missing or unreadable profile leaves the defaults.
  LoadProfile(*m_settings, m_settings->profilePath);
}

CUpdaterDlg::~CUpdaterDlg() {
  m_closing = true;
  m_timer.stop();
  if (m_monitorNotifier) m_monitorNotifier->setEnabled(false);
  // A running job may be waiting for this thread (ReadControls, showing a
  // result): answer it until it ends.
  m_worker.Stop([this] { m_windowCalls.RunPending(); });
}

QWidget* CUpdaterDlg::CreateControl(const ControlSpec& item) {
  if (item.id >= ctl::kDpiLabel1 && item.id < ctl::kDpiLabel1 + kDpiLevels) {
    auto* label = new CDhsStatic(this);
    label->setText(QString::fromUtf8(item.text));
    return label;
  }
  return CDialogBase::CreateControl(item);
}

void CUpdaterDlg::AttachControls() {
  m_firmwareVersionText = GetDlgItemAs<QLabel>(ctl::kFirmwareVersion);
  m_levelCountCombo = GetDlgItemAs<QComboBox>(ctl::kLevelCount);
  m_backlightCheck = GetDlgItemAs<QCheckBox>(ctl::kBacklight);
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiEdit[k] = GetDlgItemAs<QLineEdit>(ctl::kDpiEdit1 + k);
    m_dpiSlider[k] = GetDlgItemAs<QSlider>(ctl::kDpiSlider1 + k);
    m_dpiLabel[k] = GetDlgItemAs<CDhsStatic>(ctl::kDpiLabel1 + k);
  }
  m_programVersionText = GetDlgItemAs<QLabel>(ctl::kProgramVersion);
  m_reportRateCombo = GetDlgItemAs<QComboBox>(ctl::kReportRate);
}

void CUpdaterDlg::ConnectHandlers() {
  auto button = [this](int id) { return GetDlgItemAs<QPushButton>(id); };
  connect(button(ctl::kFirmwareUpdate), &QPushButton::clicked, this, [this] { OnFirmwareUpdate(); });
  connect(button(ctl::kApply), &QPushButton::clicked, this, [this] { OnApply(); });
  connect(button(ctl::kRestoreFactory), &QPushButton::clicked, this, [this] { OnRestoreFactory(); });
  connect(button(ctl::kDriverUpdate), &QPushButton::clicked, this, [this] { OnDriverUpdate(); });
  // A choice made by the user; setting the selection from code is silent.
  connect(m_levelCountCombo, &QComboBox::activated, this, [this] { OnLevelCountChange(); });
  for (QSlider* slider : m_dpiSlider) {
    // Every move by the user (drag, keys, wheel, page clicks); positions
    // set from code raise nothing.
    connect(slider, &QSlider::actionTriggered, this, [this, slider] { OnHScroll(slider); });
  }
  connect(&m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
}

void CUpdaterDlg::OnInitDialog() {
  AttachControls();
  for (const char* item : {"1", "2", "3", "4"}) m_levelCountCombo->addItem(QString::fromUtf8(item));
  for (const char* item : {"1000 Hz", "500 Hz", "250 Hz", "125 Hz"}) {
    m_reportRateCombo->addItem(QString::fromUtf8(item));
  }
  WriteDpiEdits();
  setWindowIcon(m_hIcon);
  ConnectHandlers();
  WatchDeviceEvents();
  InitControls();
  RefreshFromDevice();
  m_timer.setTimerType(Qt::CoarseTimer);
  m_timer.start(kTimerPeriodMs);
}

void CUpdaterDlg::WatchDeviceEvents() {
  m_monitor = RegisterHidNotification(m_link);
  if (!m_monitor) {
    // The window works on, without hearing of plug or unplug.
    ShowWarningBox(this, QString::fromUtf8(kNotificationFailedMessage));
    return;
  }
  m_monitorNotifier = new QSocketNotifier(m_monitor->PollFd(), QSocketNotifier::Read, this);
  connect(m_monitorNotifier, &QSocketNotifier::activated, this, [this] { OnMonitorReadable(); });
}

void CUpdaterDlg::OnMonitorReadable() {
  for (const HidEvent& event : m_monitor->ReadEvents()) OnDeviceChange(event);
}

int CUpdaterDlg::RefreshFromDevice() {
  const RefreshResult result = RefreshSettingsFromMouse(m_link, *m_settings);
  ShowRefreshResult(result);
  return result.found ? 1 : 0;
}

void CUpdaterDlg::ShowRefreshResult(const RefreshResult& result) {
  ShowSettings(*m_settings);
  m_firmwareVersionText->setText(
      result.found ? QString::fromStdString(FormatFirmwareVersion(result.firmwareVersion))
                   : QString::fromUtf8(kNoFirmwareVersionText));
  // The version still reads "-.--"; the tooltip says why the mouse that is
  // plugged in cannot be used, and what fixes it.
  m_firmwareVersionText->setToolTip(
      result.accessDenied ? AccessDeniedHint(QString::fromStdString(result.deniedPath)) : QString());
  WriteDpiEdits();
}

QString CUpdaterDlg::AccessDeniedHint(const QString& node) {
  return QString::fromUtf8(kAccessDeniedHint).arg(node);
}

bool CUpdaterDlg::OnDeviceChange(const HidEvent& event) {
  ++m_deviceEventsSeen;
  // During a firmware update the mouse leaves and comes back as its
  // bootloader and again in normal mode, and the update owns the link: a
  // late removal notice acted on here would cut the bootloader off
  // mid-transfer. Such events are let pass; the view is brought up to date
  // once the update has ended (RefreshAfterUpdate).
  if (m_updateRunning) return true;
  if (!PathNamesMouse(event.path)) return true;
  // The link's state decides which events count; it belongs to the worker,
  // so the test and the action run there, in the order the events came.
  if (event.kind == HidEventKind::kArrival) {
    m_worker.Post([this] { RefreshAfterArrival(); });
  } else if (event.kind == HidEventKind::kRemoveComplete) {
    m_worker.Post([this] { CloseAfterRemoval(); });
  }
  return true;
}

void CUpdaterDlg::RefreshAfterArrival() {
  {
    auto lock = m_link.Lock();
    if (m_link.connected != 0) return;  // another interface of a mouse already in use
  }
  // Give the new device time to settle before talking to it.
  m_link.Sleep(kArrivalSettleMs);
  MouseSettings record;
  CallOnWindow([&] { record = *m_settings; });
  const RefreshResult result = RefreshSettingsFromMouse(m_link, record);
  CallOnWindow([&] {
    *m_settings = record;
    ShowRefreshResult(result);
  });
}

void CUpdaterDlg::CloseAfterRemoval() {
  {
    auto lock = m_link.Lock();
    if (m_link.connected == 0) return;
  }
  CallOnWindow([&] {
    m_firmwareVersionText->setText(QString::fromUtf8(kNoFirmwareVersionText));
    WriteDpiEdits();
  });
  CloseHidDevice(m_link);
}

void CUpdaterDlg::OnDriverUpdate() { OpenSupportPage(kSupportPageAddress); }

void CUpdaterDlg::OnEnterKey(QWidget* control) {
  for (int k = 0; k < kDpiLevels; ++k) {
    if (control == m_dpiEdit[k]) {
      m_dpiValue[k] = static_cast<uint32_t>(CommitDpiEdit(k));
      return;
    }
  }
}

void CUpdaterDlg::OnLButtonDown(QMouseEvent*) { StartWindowMove(); }

void CUpdaterDlg::StartWindowMove() {
  if (QWindow* window = windowHandle()) window->startSystemMove();
}

}  // namespace tr58k
