// What a window's logic asks of the toolkit that shows it, and what the
// toolkit tells the logic. The operations are those of a dialog manager:
// controls addressed by their template identifiers, a modal warning box,
// modal child dialogs, a timer, and a bridge onto the window's thread.
//
// Every WindowHost call is made on the window's thread; workers reach the
// window through Thread().Post / Thread().Call only. Setting a control from
// here never raises a notification (as a trackbar's TBM_SETPOS raises no
// scroll event); only what the user does does.
#pragma once

#include <cstdint>
#include <string>

#include "device/hid_backend.h"
#include "ui/dialog_template.h"
#include "ui/window_calls.h"

namespace tr58k {

class DialogLogic;

// 0x00BBGGRR, red in the low byte.
using ColorRef = uint32_t;

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // Texts (UTF-8) of statics, edit boxes, buttons and list fields.
  virtual void SetText(int id, const std::string& text) = 0;
  virtual std::string GetText(int id) const = 0;
  virtual void Enable(int id, bool enabled) = 0;
  virtual bool IsEnabled(int id) const = 0;
  virtual void Show(int id, bool visible) = 0;
  // The control's own visibility flag, whether or not its window shows.
  virtual bool IsShown(int id) const = 0;
  virtual void SetCheck(int id, bool checked) = 0;
  virtual bool GetCheck(int id) const = 0;
  // A tooltip; an empty text removes it.
  virtual void SetToolTip(int id, const std::string& text) = 0;

  // Drop-down lists. An index outside the list clears the selection and
  // the field; no selection reads as -1.
  virtual void AddListItem(int id, const std::string& text) = 0;
  virtual void SetCurSel(int id, int index) = 0;
  virtual int GetCurSel(int id) const = 0;

  // Trackbars. A position outside the range is held at its nearest end.
  virtual void SetSliderRange(int id, int min, int max) = 0;
  virtual void SetSliderPos(int id, int pos) = 0;
  virtual int GetSliderPos(int id) const = 0;
  // How far a click on the track or Page Up/Down moves the thumb.
  virtual void SetSliderPageSize(int id, int page) = 0;
  virtual int GetSliderPageSize(int id) const = 0;

  virtual void SetProgressPos(int id, int pos) = 0;
  virtual int GetProgressPos(int id) const = 0;

  // The caption label's caption and fill colour (kind kCaptionLabel).
  virtual void SetCaptionLabel(int id, const std::string& caption, ColorRef backColor) = 0;

  // The control of this dialog with the keyboard focus; kNoControlId when
  // none of its addressed controls has it.
  virtual int GetFocus() const = 0;
  virtual void SetFocus(int id) = 0;
  // Edit boxes: selects start..end (start == end: the caret) and scrolls
  // the caret into view.
  virtual void SetSel(int id, int start, int end) = 0;

  // Modal warning box with an OK button, captioned with the program's
  // name; returns once it has been dismissed. Events go on being
  // delivered meanwhile.
  virtual void ShowWarning(const std::string& text) = 0;
  // Runs `child` as a modal dialog over this one; returns its result.
  virtual int RunModal(DialogLogic& child) = 0;
  // Ends the modal run with `result`, unless the logic's CanEnd() refuses.
  virtual void EndDialog(int result) = 0;
  // Starts moving the window with the mouse, as if its title bar had been
  // grabbed.
  virtual void StartWindowMove() = 0;

  // Timer `id` every `ms` milliseconds (OnTimer); setting it again restarts
  // it. KillTimer of a timer that is not set does nothing.
  virtual void SetTimer(int id, unsigned ms) = 0;
  virtual void KillTimer(int id) = 0;

  // Delivers the events of `monitor` as OnDeviceChange, until called with
  // nullptr. `monitor` must outlive the watch.
  virtual void WatchDeviceEvents(HidMonitor* monitor) = 0;

  // The bridge onto the window's thread.
  virtual WindowCalls& Calls() = 0;
};

// A window's rules, written once for every toolkit. The host makes the
// controls from Template(), attaches itself, calls OnInitDialog before the
// first show, delivers the user's actions as the notifications below, and
// calls OnDestroy before its controls go.
class DialogLogic {
 public:
  virtual ~DialogLogic() = default;

  virtual const DialogTemplate& Template() const = 0;

  void AttachHost(WindowHost* host) { m_host = host; }
  WindowHost* Host() const { return m_host; }

  virtual void OnInitDialog() {}
  // A push button was clicked (mouse, Space, or Enter on it).
  virtual void OnCommand(int id) {}
  // The user chose an item of a drop-down list.
  virtual void OnListChoice(int id) {}
  // The user moved a trackbar; its position is already the new one.
  virtual void OnSliderMoved(int id) {}
  // The user changed an edit box's text.
  virtual void OnEditChanged(int id) {}
  // An edit box lost the keyboard focus.
  virtual void OnEditLostFocus(int id) {}
  // Enter pressed outside a push button; `focusId` is where the focus is.
  virtual void OnEnter(int focusId) {}
  virtual void OnEscape() { m_host->EndDialog(kIdCancel); }
  // The close box.
  virtual void OnCloseRequest() { m_host->EndDialog(kIdCancel); }
  // Left button pressed on the dialog's background.
  virtual void OnBackgroundPressed() {}
  virtual void OnDeviceChange(const HidEvent& event) {}
  virtual void OnTimer(int id) {}
  // The window is about to go: the last chance to use the host.
  virtual void OnDestroy() {}
  // Whether the dialog may end now; hosts ask before every ending.
  virtual bool CanEnd() const { return true; }

 protected:
  WindowHost& host() const { return *m_host; }

 private:
  WindowHost* m_host = nullptr;
};

}  // namespace tr58k
