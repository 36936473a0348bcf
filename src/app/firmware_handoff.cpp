// The main window's part in a firmware update: "固件更新" runs the update
// window modally; the update runs as a job of the window's device worker,
// and once it has ended the window reads the mouse again.
#include "app/fw_update_dlg.h"
#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"

namespace tr58k {

void CUpdaterDlg::OnFirmwareUpdate() {
  if (m_updateRunning) return;  // the last update's view refresh is still to come
  CFwUpdate dlg(m_link, FirmwareImageForUpdate());
  dlg.SetSleepInhibitor(m_sleepInhibitor);
  // The update runs as a job of this window's device worker, so it never
  // overlaps an apply or a refresh on the link, and what comes after it
  // (the refresh below) runs once it is done.
  dlg.SetRunner([this](std::function<void()> work) {
    m_updateRunning = true;
    host().Enable(ctl::kFirmwareUpdate, false);
    m_worker.Post([this, work = std::move(work)] {
      work();
      RefreshAfterUpdate();
    });
  });
  host().RunModal(dlg);
}

// On the worker, after an update's work. The link is closed whatever the
// outcome; the plug events of the update were let pass. Read the mouse again
// when it is there (its new version, its settings), else show "-.--".
void CUpdaterDlg::RefreshAfterUpdate() {
  MouseSettings record;
  // From here on plug events count again: one that comes during the read
  // below is queued behind it.
  CallOnWindow([&] {
    m_updateRunning = false;
    record = *m_settings;
  });
  const RefreshResult result = RefreshSettingsFromMouse(m_link, record);
  CallOnWindow([&] {
    *m_settings = record;
    ShowRefreshResult(result);
    host().Enable(ctl::kFirmwareUpdate, true);
  });
}

}  // namespace tr58k
