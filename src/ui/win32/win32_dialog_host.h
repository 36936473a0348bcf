// The Win32 host of a DialogLogic: the logic's template made into an
// in-memory DLGTEMPLATEEX and run with DialogBoxIndirectParamW, the dialog
// manager's messages delivered as the logic's notifications, and the
// WindowHost operations done with the controls' own messages. It holds no
// rule of the program: whatever a window does is its logic's.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/win32/dhs_static.h"
#include "ui/win32/window_dpi.h"
#include "ui/window_host.h"

namespace tr58k {

// Private messages of the host's dialogs.
inline constexpr UINT kMsgRunCalls = WM_APP + 1;      // the thread bridge's wake
inline constexpr UINT kMsgDeviceEvents = WM_APP + 2;  // a monitor has events waiting

// Loads the common controls (ICC_WIN95_CLASSES) once per process.
void InitWin32Controls();

class Win32DialogHost : public WindowHost {
 public:
  // `logic` must outlive the host; `owner` is the window it is modal over.
  explicit Win32DialogHost(DialogLogic& logic, HWND owner = nullptr);
  ~Win32DialogHost() override;

  // Shows the dialog modally (OnInitDialog first) and returns its result,
  // or -1 when the dialog could not be made.
  int RunModal();
  HWND Hwnd() const { return hwnd_; }
  // The tooltip control of SetToolTip; nullptr before the first tip.
  HWND ToolTipWindow() const;
  // The font caption label `id` draws with; nullptr when `id` is none.
  HFONT CaptionFont(int id) const;
  DialogLogic& Logic() const { return logic_; }

  // Called with each dialog of this process once its controls exist and
  // its logic has initialised, before it shows (tests drive dialogs with it,
  // a program's host adds its own keys). Not thread-safe; set it first.
  static void SetDialogCreatedHook(std::function<void(Win32DialogHost&)> hook);

  // A real mouse's plug and unplug come as WM_DEVICECHANGE to this dialog,
  // registered on its own handle when the logic asks to watch; the
  // monitor's own events are then drained unread. Without this (the
  // simulated mouse), or when registering fails, the monitor's callback
  // posts a private message. Call before RunModal.
  void UseWindowDeviceNotifications() { windowNotifications_ = true; }

  // WindowHost.
  void SetText(int id, const std::string& text) override;
  std::string GetText(int id) const override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void Show(int id, bool visible) override;
  bool IsShown(int id) const override;
  void SetCheck(int id, bool checked) override;
  bool GetCheck(int id) const override;
  void SetToolTip(int id, const std::string& text) override;
  void AddListItem(int id, const std::string& text) override;
  void SetCurSel(int id, int index) override;
  int GetCurSel(int id) const override;
  void SetSliderRange(int id, int min, int max) override;
  void SetSliderPos(int id, int pos) override;
  int GetSliderPos(int id) const override;
  void SetSliderPageSize(int id, int page) override;
  int GetSliderPageSize(int id) const override;
  void SetProgressPos(int id, int pos) override;
  int GetProgressPos(int id) const override;
  void SetCaptionLabel(int id, const std::string& caption, ColorRef backColor) override;
  int GetFocus() const override;
  void SetFocus(int id) override;
  void SetSel(int id, int start, int end) override;
  void ShowWarning(const std::string& text) override;
  int RunModal(DialogLogic& child) override;
  void EndDialog(int result) override;
  void StartWindowMove() override;
  void SetTimer(int id, unsigned ms) override;
  void KillTimer(int id) override;
  void WatchDeviceEvents(HidMonitor* monitor) override;
  WindowCalls& Calls() override { return calls_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp);
  BOOL OnInitDialog();
  void OnCommandMessage(WPARAM wp, LPARAM lp);
  // The program's icons at the window's DPI.
  void SetIcons();
  // The caption labels' fonts for the dialog's font at the current DPI.
  void ScaleCaptions();
  // The window is now shown at `dpi`: the fonts, icons and sizes the host
  // made itself are made again for it.
  void OnDpiChanged(UINT dpi);
  void Destroy();
  HWND Item(int id) const;
  const ControlSpec* TemplateControl(int id) const;
  int IdOfWindow(HWND window) const;

  DialogLogic& logic_;
  HWND owner_;
  std::atomic<HWND> hwnd_{nullptr};
  WindowCalls calls_;
  std::map<int, std::unique_ptr<CDhsStatic>> captionLabels_;
  std::map<int, bool> timers_;
  HidMonitor* monitor_ = nullptr;
  bool windowNotifications_ = false;
  HDEVNOTIFY deviceNotify_ = nullptr;
  HWND toolTip_ = nullptr;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  UINT dpi_ = kDefaultDpi;  // the window's, as the host last made its fonts for
  std::map<int, std::string> displayTexts_;  // what display-only fields show
  int settingText_ = 0;  // > 0 while the host itself changes a text
  bool destroyed_ = false;
};

// The program's name as message boxes show it: the executable's base name.
std::wstring ProgramName();

}  // namespace tr58k
