// The main window's life: construction, initialisation, the start-up read,
// plug and unplug, and the window-level handlers. The settings panel is in
// settings_panel.cpp, apply and restore in apply_restore.cpp.
#include "app/updater_dlg.h"

#include <chrono>

#include "app/app_platform.h"
#include "app/desktop_open.h"
#include "app/main_dialog_template.h"
#include "app/support_page.h"
#include "settings/profile_file.h"
#include "settings/settings_rules.h"
#include "ui/localized_template.h"

namespace tr58k {

// The start-up read's hand-over from the worker to the window's thread.
struct CUpdaterDlg::StartupRead {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  MouseSettings record;
  RefreshResult result;
};

CUpdaterDlg::CUpdaterDlg(DeviceLink& link, std::span<const uint8_t> firmwareImage)
    : m_link(link),
      m_firmwareImage(firmwareImage),
      m_settings(std::make_unique<MouseSettings>(LoadStartupSettings(DefaultProfilePath()))) {}

CUpdaterDlg::~CUpdaterDlg() {
  // Without a host nothing can be waiting for the window's thread.
  if (!Host()) m_worker.Stop([] {});
}

const DialogTemplate& CUpdaterDlg::Template() const {
  return LocalizedTemplate(MainDialogTemplate());
}

void CUpdaterDlg::OnInitDialog() {
  for (const char* item : {"1", "2", "3", "4"}) host().AddListItem(ctl::kLevelCount, item);
  for (const char* item : {"1000 Hz", "500 Hz", "250 Hz", "125 Hz"}) {
    host().AddListItem(ctl::kReportRate, item);
  }
  WriteDpiEdits();
  m_monitor = RegisterHidNotification(m_link);
  if (m_monitor) {
    host().WatchDeviceEvents(m_monitor.get());
  } else {
    // The window works on, without hearing of plug or unplug.
    host().ShowWarning(Tr(kNotificationFailedMessage));
  }
  InitControls();
  StartStartupRead();
}

// The read runs on the worker, so a mouse that stops answering (each
// request then waits out the kernel's timeout) cannot keep the window from
// appearing. The first show waits for it a moment: a mouse that answers is
// shown at once, as if read here.
void CUpdaterDlg::StartStartupRead() {
  auto startup = std::make_shared<StartupRead>();
  startup->record = *m_settings;
  m_startup = startup;
  m_worker.Post([this, startup] {
    RefreshResult result = RefreshSettingsFromMouse(m_link, startup->record);
    {
      std::lock_guard lock(startup->mutex);
      startup->result = result;
      startup->done = true;
    }
    startup->ended.notify_all();
    host().Calls().Post([this] { TakeStartupRead(); });
  });
  bool done = false;
  {
    std::unique_lock lock(startup->mutex);
    done = startup->ended.wait_for(lock, std::chrono::milliseconds(m_startupWaitMs),
                                   [&] { return startup->done; });
  }
  if (done) {
    TakeStartupRead();
  } else {
    // What there is meanwhile: the profile's values, no version.
    ShowNoMouse();
  }
}

void CUpdaterDlg::TakeStartupRead() {
  if (!m_startup) return;  // shown already
  std::shared_ptr<StartupRead> startup = std::move(m_startup);
  std::lock_guard lock(startup->mutex);
  *m_settings = startup->record;
  ShowRefreshResult(startup->result);
}

int CUpdaterDlg::RefreshFromDevice() {
  const RefreshResult result = RefreshSettingsFromMouse(m_link, *m_settings);
  ShowRefreshResult(result);
  return result.found ? 1 : 0;
}

void CUpdaterDlg::ShowNoMouse() {
  ShowSettings(*m_settings);
  host().SetText(ctl::kFirmwareVersion, kNoFirmwareVersionText);
  host().SetToolTip(ctl::kFirmwareVersion, "");
  WriteDpiEdits();
}

void CUpdaterDlg::ShowRefreshResult(const RefreshResult& result) {
  ShowSettings(*m_settings);
  host().SetText(ctl::kFirmwareVersion,
                 result.found ? FormatFirmwareVersion(result.firmwareVersion) : kNoFirmwareVersionText);
  // The version still reads "-.--"; the tooltip says why the mouse that is
  // plugged in cannot be used, and what fixes it.
  std::string hint;
  if (result.accessDenied) hint = Format(Tr(kAccessDeniedHint), {result.deniedPath});
  host().SetToolTip(ctl::kFirmwareVersion, hint);
  WriteDpiEdits();
}

void CUpdaterDlg::OnDestroy() {
  m_closing = true;
  host().KillTimer(kDpiTimerId);
  m_timerSet = false;
  host().WatchDeviceEvents(nullptr);
  // A running job may be waiting for this thread (ReadControls, showing a
  // result): answer it until it ends. What it posted is dropped.
  m_worker.Stop([this] { host().Calls().RunPending(); });
  host().Calls().DropPosts();
}

void CUpdaterDlg::OnCommand(int id) {
  switch (id) {
    case ctl::kFirmwareUpdate: OnFirmwareUpdate(); break;
    case ctl::kApply: OnApply(); break;
    case ctl::kRestoreFactory: OnRestoreFactory(); break;
    case ctl::kDriverUpdate: OnDriverUpdate(); break;
    default: break;
  }
}

void CUpdaterDlg::OnDeviceChange(const HidEvent& event) {
  ++m_deviceEventsSeen;
  // During a firmware update the mouse leaves and comes back as its
  // bootloader and again in normal mode, and the update owns the link: a
  // late removal notice acted on here would cut the bootloader off
  // mid-transfer. Such events are let pass; the view is brought up to date
  // once the update has ended (RefreshAfterUpdate).
  if (m_updateRunning) return;
  if (!PathNamesMouse(event.path)) return;
  // The link's state decides which events count; it belongs to the worker,
  // so the test and the action run there, in the order the events came.
  if (event.kind == HidEventKind::kArrival) {
    m_worker.Post([this] { RefreshAfterArrival(); });
  } else if (event.kind == HidEventKind::kRemoveComplete) {
    m_worker.Post([this] { CloseAfterRemoval(); });
  }
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
    host().SetText(ctl::kFirmwareVersion, kNoFirmwareVersionText);
    WriteDpiEdits();
  });
  CloseHidDevice(m_link);
}

void CUpdaterDlg::OnDriverUpdate() { OpenSupportPage(kSupportPageAddress); }

void CUpdaterDlg::OnEnter(int focusId) {
  // Enter in a DPI box takes its value, as leaving the box would; it never
  // ends the window (a stray Enter must not close it with unsaved edits).
  for (int k = 0; k < kDpiLevels; ++k) {
    if (focusId == ctl::kDpiEdit1 + k) {
      m_dpiValue[k] = static_cast<uint32_t>(CommitDpiEdit(k));
      return;
    }
  }
}

void CUpdaterDlg::OnBackgroundPressed() { host().StartWindowMove(); }

}  // namespace tr58k
