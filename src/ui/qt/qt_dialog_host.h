// The Qt host of a DialogLogic: a CDialogBase built from the logic's
// template, Qt's signals delivered as the logic's notifications, and the
// WindowHost operations done on the widgets. It holds no rule of the
// program: whatever a window does is its logic's.
#pragma once

#include <QPointer>
#include <map>
#include <memory>

#include "ui/qt/dialog_base.h"
#include "ui/window_host.h"

class QSocketNotifier;

namespace tr58k {

class QtDialogHost : public CDialogBase, public WindowHost {
  Q_OBJECT

 public:
  // `logic` must outlive the host.
  explicit QtDialogHost(DialogLogic& logic, QWidget* parent = nullptr);
  // OnDestroy, once, if the run has not ended already.
  ~QtDialogHost() override;

  DialogLogic& Logic() const { return logic_; }
  // Ends the dialog's life for the logic: OnDestroy, after which the logic
  // hears nothing more. Idempotent; DoModal's end does it too.
  void Destroy();
  // The modal run from the logic's point of view: InitDialog, exec, Destroy.
  int RunModal();

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

  // Every ending of the dialog asks the logic first.
  void done(int result) override;
  // Escape (and QDialog's own rejections) go to the logic.
  void reject() override;

 protected:
  void OnInitDialog() override;
  void OnEnterKey(QWidget* control) override;
  void OnLButtonDown(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ConnectNotifications();
  void ReadDeviceEvents();
  int IdOf(const QWidget* widget) const;

  DialogLogic& logic_;
  WindowCalls calls_;
  std::map<int, int> timers_;  // logic's timer id -> Qt's
  HidMonitor* monitor_ = nullptr;
  QSocketNotifier* monitorNotifier_ = nullptr;
  std::shared_ptr<bool> monitorWatched_;
  bool destroyed_ = false;
};

}  // namespace tr58k
