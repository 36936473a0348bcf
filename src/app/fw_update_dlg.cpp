#include "app/fw_update_dlg.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>

#include "app/fw_update_template.h"
#include "firmware/firmware_messages.h"

namespace tr58k {

CFwUpdate::CFwUpdate(DeviceLink& link, std::span<const uint8_t> stored, QWidget* parent)
    : CDialogBase(FwUpdateDialogTemplate(), parent), m_link(link), m_stored(stored) {}

CFwUpdate::~CFwUpdate() {
  m_destroying = true;
  // The window refuses to close while the work runs, so this only happens
  // when it is torn down from outside. The work still reads the image and
  // waits for its reports to be shown: answer them until it has ended.
  std::unique_lock lock(m_workMutex);
  while (m_workAlive) {
    lock.unlock();
    m_calls.RunPending();
    lock.lock();
    m_workEnded.wait_for(lock, std::chrono::milliseconds(2), [this] { return !m_workAlive; });
  }
}

QWidget* CFwUpdate::CreateControl(const ControlSpec& item) {
  QWidget* control = CDialogBase::CreateControl(item);
  if (item.id == fwctl::kStatus) {
    // A status line rather than an input box: no frame.
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->setFrame(false);
  }
  return control;
}

void CFwUpdate::OnInitDialog() {
  m_progress = GetDlgItemAs<QProgressBar>(fwctl::kProgress);
  m_updateButton = GetDlgItemAs<QPushButton>(fwctl::kUpdate);
  m_status = GetDlgItemAs<QLineEdit>(fwctl::kStatus);
  m_exitButton = GetDlgItemAs<QPushButton>(fwctl::kExit);
  connect(m_updateButton, &QPushButton::clicked, this, [this] { OnUpdateClicked(); });
  connect(m_exitButton, &QPushButton::clicked, this, [this] { OnExitClicked(); });
  m_exitButton->setEnabled(true);
  m_updateButton->setFocus(Qt::OtherFocusReason);
}

void CFwUpdate::OnUpdateClicked() {
  // One update at a time: there is one image and one link.
  if (m_running) return;
  m_exitButton->setEnabled(false);
  m_status->clear();
  if (LoadFirmwareImage(m_image, m_stored, *this) != 1) {
    EnableExitButton();
    SetStatusText(kImageErrorText);
    return;
  }
  m_running = true;
  m_updateButton->setEnabled(false);
  {
    std::lock_guard lock(m_workMutex);
    m_workAlive = true;
  }
  if (m_runner) {
    m_runner([this] {
      ProbeAndUpdate();
      WorkEnded();
    });
    return;
  }
  // The previous update's thread is past its last act (it ended the
  // running state itself); collect it so that the worker takes a new one.
  m_ownWorker.Wait();
  m_ownWorker.StartWithProbe(m_link, m_image, *this, m_inhibitor,
                             [this](const UpdateOutcome&) { WorkEnded(); });
}

UpdateOutcome CFwUpdate::ProbeAndUpdate() {
  const int mode = ProbeAndAnnounce(m_link, *this);
  if (mode == kModeNotFound) return {};
  return RunUpdateWorker(m_link, m_image, mode, *this, m_inhibitor);
}

void CFwUpdate::WorkEnded() {
  m_calls.Call([this] { OnWorkEnded(); });
  // Notified under the lock: once the window's thread sees the work ended
  // it may destroy the window, condition variable included.
  std::lock_guard lock(m_workMutex);
  m_workAlive = false;
  m_workEnded.notify_all();
}

void CFwUpdate::OnWorkEnded() {
  m_running = false;
  // Every ending of the work has enabled the exit button already.
  m_exitButton->setEnabled(true);
  m_updateButton->setEnabled(true);
  if (m_exitWhenEnded && !m_destroying) {
    m_exitWhenEnded = false;
    done(QDialog::Accepted);
  }
}

void CFwUpdate::OnExitClicked() {
  if (m_running) {
    // Only possible in the instant between the work enabling the button and
    // its end: leave as soon as it has ended.
    m_exitWhenEnded = true;
    return;
  }
  done(QDialog::Accepted);
}

void CFwUpdate::OnEnterKey(QWidget*) {
  // Enter outside a push button is the dialog's OK.
  done(QDialog::Accepted);
}

void CFwUpdate::done(int result) {
  if (m_running) return;  // the work still uses this window
  CDialogBase::done(result);
}

void CFwUpdate::SetStatusText(const std::string& text) {
  m_calls.Call([&] { m_status->setText(QString::fromStdString(text)); });
}

void CFwUpdate::SetProgress(int position) {
  m_calls.Call([&] { m_progress->setValue(position); });
}

void CFwUpdate::EnableExitButton() {
  m_calls.Call([&] { m_exitButton->setEnabled(true); });
}

}  // namespace tr58k
