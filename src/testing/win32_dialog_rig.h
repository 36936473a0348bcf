// A DialogLogic shown by the real Win32 host on a window thread of its own,
// driven from the test's thread by control identifier with the messages a
// user's actions produce (TBM_SETPOS then WM_HSCROLL, WM_SETTEXT (the edit
// box raises EN_CHANGE itself), CB_SETCURSEL then CBN_SELCHANGE, BM_CLICK).
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/window_host.h"

namespace tr58k {

class Win32DialogHost;

// Sends `window` the WM_DEVICECHANGE the system sends for a HID interface
// `what` (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE) at `path`.
void SendDeviceInterfaceChange(HWND window, WPARAM what, const std::wstring& path);

class Win32DialogRig {
 public:
  // Runs `logic` modally and returns once its dialog is initialised (or
  // after 10 s, Dialog() then nullptr). `logic` must outlive the rig.
  // `onCreated` runs on the window thread with each dialog's host once its
  // logic has initialised; `onThreadStart` on the window thread before the
  // first dialog is made (a hook that watches the thread's windows).
  explicit Win32DialogRig(DialogLogic& logic, std::function<void(Win32DialogHost&)> onCreated = {},
                          std::function<void()> onThreadStart = {});
  // Closes what is still open and waits for the window thread.
  ~Win32DialogRig();

  // The n-th dialog the host made since the rig started (0: the logic's
  // own, 1: the first child), nullptr when there is none yet.
  HWND Dialog(size_t n = 0) const;
  // Waits up to `timeoutMs` for dialog n to exist; returns it or nullptr.
  HWND WaitForDialog(size_t n, int timeoutMs = 10000) const;
  // Whether dialog n exists and is still a window.
  bool IsOpen(size_t n) const;
  // Whether the modal run of the logic has returned, and with what.
  bool Ended() const;
  int Result() const;

  void MoveSlider(HWND dialog, int id, int pos);
  void TypeText(HWND dialog, int id, const std::string& text);
  void Choose(HWND dialog, int id, int index);
  // BM_CLICK, waited for; ClickLater posts it (a click that opens a modal
  // dialog does not return until that dialog ends).
  void Click(HWND dialog, int id);
  void ClickLater(HWND dialog, int id);

  std::string Text(HWND dialog, int id) const;
  int SliderPos(HWND dialog, int id) const;
  int CurSel(HWND dialog, int id) const;
  bool Checked(HWND dialog, int id) const;
  bool Enabled(HWND dialog, int id) const;
  int ProgressPos(HWND dialog, int id) const;

  // Polls `done` every few milliseconds for up to `timeoutMs`; returns done().
  static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

 private:
  DialogLogic& logic_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<HWND> dialogs_;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace tr58k
