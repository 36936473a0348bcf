#include "app/fw_update_dlg.h"

#include <chrono>

#include "app/fw_update_template.h"
#include "firmware/firmware_messages.h"
#include "i18n/text_lookup.h"
#include "ui/localized_template.h"

namespace tr58k {

CFwUpdate::CFwUpdate(DeviceLink& link, std::span<const uint8_t> stored)
    : m_link(link), m_stored(stored) {}

CFwUpdate::~CFwUpdate() {
  // OnDestroy has waited for the work, when there was a window at all.
  if (!Host()) m_ownWorker.Wait();
}

const DialogTemplate& CFwUpdate::Template() const {
  return LocalizedTemplate(FwUpdateDialogTemplate());
}

void CFwUpdate::OnDestroy() {
  m_destroying = true;
  // The window refuses to close while the work runs, so this only happens
  // when it is torn down from outside. The work still reads the image and
  // waits for its reports to be shown: answer them until it has ended.
  std::unique_lock lock(m_workMutex);
  while (m_workAlive) {
    lock.unlock();
    host().Calls().RunPending();
    lock.lock();
    m_workEnded.wait_for(lock, std::chrono::milliseconds(2), [this] { return !m_workAlive; });
  }
  lock.unlock();
  m_ownWorker.Wait();
  host().Calls().DropPosts();
}

void CFwUpdate::OnInitDialog() {
  host().Enable(fwctl::kExit, true);
  host().SetFocus(fwctl::kUpdate);
}

void CFwUpdate::OnCommand(int id) {
  if (id == fwctl::kUpdate) OnUpdateClicked();
  if (id == fwctl::kExit) OnExitClicked();
}

void CFwUpdate::OnUpdateClicked() {
  // One update at a time: there is one image and one link.
  if (m_running) return;
  host().Enable(fwctl::kExit, false);
  host().SetText(fwctl::kStatus, "");
  if (LoadFirmwareImage(m_image, m_stored, *this) != 1) {
    EnableExitButton();
    SetStatusText(Tr(kImageErrorText));
    return;
  }
  m_running = true;
  host().Enable(fwctl::kUpdate, false);
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
  host().Calls().Call([this] { OnWorkEnded(); });
  // Notified under the lock: once the window's thread sees the work ended
  // it may destroy the window, condition variable included.
  std::lock_guard lock(m_workMutex);
  m_workAlive = false;
  m_workEnded.notify_all();
}

void CFwUpdate::OnWorkEnded() {
  m_running = false;
  // Every ending of the work has enabled the exit button already.
  host().Enable(fwctl::kExit, true);
  host().Enable(fwctl::kUpdate, true);
  if (m_exitWhenEnded && !m_destroying) {
    m_exitWhenEnded = false;
    host().EndDialog(kIdOk);
  }
}

void CFwUpdate::OnExitClicked() {
  if (m_running) {
    // Only possible in the instant between the work enabling the button and
    // its end: leave as soon as it has ended.
    m_exitWhenEnded = true;
    return;
  }
  host().EndDialog(kIdOk);
}

void CFwUpdate::OnEnter(int) { host().EndDialog(kIdOk); }

void CFwUpdate::SetStatusText(const std::string& text) {
  host().Calls().Call([&] { host().SetText(fwctl::kStatus, text); });
}

void CFwUpdate::SetProgress(int position) {
  host().Calls().Call([&] { host().SetProgressPos(fwctl::kProgress, position); });
}

void CFwUpdate::EnableExitButton() {
  host().Calls().Call([&] { host().Enable(fwctl::kExit, true); });
}

}  // namespace tr58k
