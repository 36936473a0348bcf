// "应用当前设置" and "还原出厂配置": each click queues one device job; the
// jobs run one after another in click order, each on its own copy of the
// record, so quick clicks neither get lost nor interleave on the link.
#include "app/updater_dlg.h"

namespace tr58k {

void CUpdaterDlg::OnApply() {
  m_worker.Post([this] { ApplyToDevice(/*restore=*/false); });
}

void CUpdaterDlg::OnRestoreFactory() {
  m_worker.Post([this] { ApplyToDevice(/*restore=*/true); });
}

// On the worker. The click's own change to the record (the restore flag,
// or the factory values shown in the controls) is made when the job's turn
// comes, on the window's thread, so that it lands in click order with the
// other jobs' changes; from then on the job works on its own copy.
void CUpdaterDlg::ApplyToDevice(bool restore) {
  MouseSettings snapshot;
  CallOnWindow([&] {
    if (restore) {
      ResetToFactory(*m_settings);
      ShowSettings(*m_settings);
    } else {
      m_settings->restorePending = 0;
    }
    snapshot = *m_settings;
  });
  const ApplyOutcome outcome =
      ApplySettingsToMouse(m_link, snapshot, [this](MouseSettings& settings) {
        CallOnWindow([&] {
          ReadControls(*m_settings);
          settings = *m_settings;
        });
      });
  if (outcome == ApplyOutcome::kMouseNotFound) {
    // Posted, not waited for: while the box is up the worker goes on with
    // the jobs behind this one (a plug-in's refresh among them).
    host().Calls().Post([this] {
      if (!m_closing) host().ShowWarning(Tr(kMouseNotFoundMessage));
    });
  }
  // A failed command ends the job without a word.
}

}  // namespace tr58k
