// An in-memory WindowHost: the controls of a template as plain state, the
// user's actions as calls that deliver the notifications a real host
// delivers, and the window's thread being the test's own thread. Window
// logic runs on it without any toolkit, so its rules are tested quickly and
// the same tests serve every host.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/window_host.h"

namespace tr58k {

class FakeWindowHost final : public WindowHost {
 public:
  struct Control {
    ControlKind kind = ControlKind::kStatic;
    std::string text;
    bool enabled = true;
    bool shown = true;
    bool checked = false;
    std::vector<std::string> items;
    int sel = -1;
    int min = 0, max = 100, pos = 0, page = 0;  // trackbars and progress bars
    ColorRef backColor = 0;
    std::string toolTip;
    int selStart = 0, selEnd = 0;
  };

  // `parent` is the host that runs this one modally, or nullptr.
  explicit FakeWindowHost(DialogLogic& logic, FakeWindowHost* parent = nullptr);
  // Destroy(), if not done yet.
  ~FakeWindowHost() override;

  // Attaches the logic and runs OnInitDialog (the window "appears").
  void Init();
  // OnDestroy, once; the logic is detached afterwards.
  void Destroy();

  // What a user does; each delivers what a real host would.
  void Click(int id);                      // an enabled push button
  void ChooseListItem(int id, int index);  // a list item picked from the list
  void MoveSlider(int id, int pos);        // held in the range
  void PageSlider(int id, int pages);      // a click on the track, +/- pages
  void Focus(int id);                      // the previous edit box loses it
  void Type(int id, const std::string& text);  // focus, then the new text
  void PressEnter();
  void PressEscape();
  void PressCloseBox();
  void DeviceChange(HidEventKind kind, const std::string& path);
  // Timer `id` fires, if it is set.
  void FireTimer(int id);

  // Runs what workers posted or wait for (this host's and its parent's).
  void RunPending();
  // Runs pending calls until `done` holds or `timeoutMs` of real time has
  // passed; returns `done()`.
  bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

  DialogLogic& Logic() const { return logic_; }
  const Control& Get(int id) const;
  bool Ended() const { return ended_; }
  int Result() const { return result_; }
  bool TimerSet(int id) const { return timers_.count(id) != 0; }
  unsigned TimerPeriod(int id) const { return timers_.count(id) ? timers_.at(id) : 0; }
  int WindowMoves() const { return windowMoves_; }
  HidMonitor* Watched() const { return monitor_; }

  // Every warning box shown, in order.
  std::vector<std::string> warnings;
  // Runs while a warning box is up, on the window's thread (the box's own
  // message loop); then the box is dismissed.
  std::function<void(const std::string& text)> whileWarning;
  // Called on the window's thread each time a progress bar is set.
  std::function<void(int id, int pos)> onProgressSet;
  // Drives a child dialog run modally from this one; without it the child
  // is ended at once with kIdCancel.
  std::function<void(FakeWindowHost& child)> onModal;

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
  int GetFocus() const override { return focus_; }
  void SetFocus(int id) override;
  void SetSel(int id, int start, int end) override;
  void ShowWarning(const std::string& text) override;
  int RunModal(DialogLogic& child) override;
  void EndDialog(int result) override;
  void StartWindowMove() override { ++windowMoves_; }
  void SetTimer(int id, unsigned ms) override { timers_[id] = ms; }
  void KillTimer(int id) override { timers_.erase(id); }
  void WatchDeviceEvents(HidMonitor* monitor) override { monitor_ = monitor; }
  WindowCalls& Calls() override { return calls_; }

 private:
  Control& At(int id);
  bool Live() const { return logic_.Host() == this && !destroyed_; }

  DialogLogic& logic_;
  FakeWindowHost* parent_;
  FakeWindowHost* child_ = nullptr;
  std::map<int, Control> controls_;
  std::map<int, unsigned> timers_;
  WindowCalls calls_;
  int focus_ = kNoControlId;
  bool ended_ = false;
  int result_ = 0;
  bool destroyed_ = false;
  int windowMoves_ = 0;
  HidMonitor* monitor_ = nullptr;
};

}  // namespace tr58k
