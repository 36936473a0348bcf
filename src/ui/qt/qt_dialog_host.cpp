#include "ui/qt/qt_dialog_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSocketNotifier>
#include <QTimerEvent>
#include <QWindow>

#include "ui/qt/dhs_static.h"
#include "ui/qt/message_box.h"

namespace tr58k {

QtDialogHost::QtDialogHost(DialogLogic& logic, QWidget* parent)
    : CDialogBase(logic.Template(), parent), logic_(logic), calls_([this] {
        QMetaObject::invokeMethod(this, [this] { calls_.RunPending(); }, Qt::QueuedConnection);
      }) {}

QtDialogHost::~QtDialogHost() { Destroy(); }

void QtDialogHost::OnInitDialog() {
  logic_.AttachHost(this);
  ConnectNotifications();
  logic_.OnInitDialog();
}

int QtDialogHost::RunModal() {
  InitDialog();
  const int result = exec();
  Destroy();
  return result;
}

void QtDialogHost::Destroy() {
  if (destroyed_ || logic_.Host() != this) return;
  destroyed_ = true;
  logic_.OnDestroy();
  WatchDeviceEvents(nullptr);
  for (const auto& [id, qtId] : timers_) killTimer(qtId);
  timers_.clear();
  logic_.AttachHost(nullptr);
}

void QtDialogHost::ConnectNotifications() {
  for (const ControlSpec& item : Template().controls) {
    if (item.id == kNoControlId) continue;
    QWidget* widget = GetDlgItem(item.id);
    const int id = item.id;
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      connect(button, &QPushButton::clicked, this, [this, id] { logic_.OnCommand(id); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      // A choice made by the user; setting the selection from code is silent.
      connect(combo, &QComboBox::activated, this, [this, id] { logic_.OnListChoice(id); });
    } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
      // Every move by the user (drag, keys, wheel, page clicks); positions
      // set from code raise nothing.
      connect(slider, &QSlider::actionTriggered, this, [this, id] { logic_.OnSliderMoved(id); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      connect(edit, &QLineEdit::textEdited, this, [this, id] { logic_.OnEditChanged(id); });
    }
  }
}

bool QtDialogHost::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !destroyed_ && logic_.Host() == this) {
    if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
      const int id = IdOf(edit);
      if (id != kNoControlId) logic_.OnEditLostFocus(id);
    }
  }
  return CDialogBase::eventFilter(watched, event);
}

int QtDialogHost::IdOf(const QWidget* widget) const {
  if (!widget) return kNoControlId;
  // The field of a drop-down list counts as the list itself.
  if (qobject_cast<const QComboBox*>(widget->parentWidget())) widget = widget->parentWidget();
  for (const ControlSpec& item : Template().controls) {
    if (item.id != kNoControlId && GetDlgItem(item.id) == widget) return item.id;
  }
  return kNoControlId;
}

void QtDialogHost::OnEnterKey(QWidget* control) { logic_.OnEnter(IdOf(control)); }

void QtDialogHost::OnLButtonDown(QMouseEvent*) { logic_.OnBackgroundPressed(); }

void QtDialogHost::closeEvent(QCloseEvent* event) {
  if (!isVisible()) {
    event->accept();
    return;
  }
  if (logic_.Host() == this) {
    logic_.OnCloseRequest();
  } else {
    CDialogBase::done(kIdCancel);
  }
  // Still open: the logic refused.
  if (isVisible()) event->ignore();
}

void QtDialogHost::reject() {
  if (logic_.Host() == this) {
    logic_.OnEscape();
  } else {
    CDialogBase::done(kIdCancel);
  }
}

void QtDialogHost::done(int result) {
  if (logic_.Host() == this && !logic_.CanEnd()) return;  // refused while work runs
  CDialogBase::done(result);
}

void QtDialogHost::EndDialog(int result) { done(result); }

void QtDialogHost::timerEvent(QTimerEvent* event) {
  for (const auto& [id, qtId] : timers_) {
    if (qtId == event->timerId()) {
      logic_.OnTimer(id);
      return;
    }
  }
  CDialogBase::timerEvent(event);
}

void QtDialogHost::SetTimer(int id, unsigned ms) {
  KillTimer(id);
  timers_[id] = startTimer(static_cast<int>(ms), Qt::CoarseTimer);
}

void QtDialogHost::KillTimer(int id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  killTimer(it->second);
  timers_.erase(it);
}

void QtDialogHost::WatchDeviceEvents(HidMonitor* monitor) {
  if (monitor_) monitor_->SetEventsWaitingCallback({});
  if (monitorNotifier_) {
    monitorNotifier_->setEnabled(false);
    monitorNotifier_->deleteLater();
    monitorNotifier_ = nullptr;
  }
  monitor_ = monitor;
  if (!monitor_) return;
  if (monitor_->PollFd() >= 0) {
    monitorNotifier_ = new QSocketNotifier(monitor_->PollFd(), QSocketNotifier::Read, this);
    connect(monitorNotifier_, &QSocketNotifier::activated, this, [this] { ReadDeviceEvents(); });
  } else {
    monitor_->SetEventsWaitingCallback([this] { calls_.Post([this] { ReadDeviceEvents(); }); });
  }
}

void QtDialogHost::ReadDeviceEvents() {
  if (!monitor_) return;
  for (const HidEvent& event : monitor_->ReadEvents()) logic_.OnDeviceChange(event);
}

void QtDialogHost::SetText(int id, const std::string& text) {
  QWidget* widget = GetDlgItem(id);
  const QString qtext = QString::fromStdString(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(qtext);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(qtext);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(qtext);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->lineEdit()) combo->lineEdit()->setText(qtext);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(qtext);
  } else if (widget) {
    widget->setWindowTitle(qtext);
  }
}

std::string QtDialogHost::GetText(int id) const {
  QWidget* widget = GetDlgItem(id);
  QString text;
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    text = edit->text();
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    text = label->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    text = button->text();
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    text = combo->currentText();
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    text = group->title();
  }
  return text.toStdString();
}

void QtDialogHost::Enable(int id, bool enabled) {
  if (QWidget* widget = GetDlgItem(id)) widget->setEnabled(enabled);
}

bool QtDialogHost::IsEnabled(int id) const {
  QWidget* widget = GetDlgItem(id);
  return widget && widget->isEnabled();
}

void QtDialogHost::Show(int id, bool visible) {
  if (QWidget* widget = GetDlgItem(id)) widget->setVisible(visible);
}

bool QtDialogHost::IsShown(int id) const {
  QWidget* widget = GetDlgItem(id);
  return widget && !widget->isHidden();
}

void QtDialogHost::SetCheck(int id, bool checked) {
  if (auto* button = GetDlgItemAs<QAbstractButton>(id)) button->setChecked(checked);
}

bool QtDialogHost::GetCheck(int id) const {
  auto* button = GetDlgItemAs<QAbstractButton>(id);
  return button && button->isChecked();
}

void QtDialogHost::SetToolTip(int id, const std::string& text) {
  if (QWidget* widget = GetDlgItem(id)) widget->setToolTip(QString::fromStdString(text));
}

void QtDialogHost::AddListItem(int id, const std::string& text) {
  if (auto* combo = GetDlgItemAs<QComboBox>(id)) combo->addItem(QString::fromStdString(text));
}

void QtDialogHost::SetCurSel(int id, int index) {
  if (auto* combo = GetDlgItemAs<QComboBox>(id)) ComboSetCurSel(combo, index);
}

int QtDialogHost::GetCurSel(int id) const {
  auto* combo = GetDlgItemAs<QComboBox>(id);
  return combo ? ComboGetCurSel(combo) : -1;
}

void QtDialogHost::SetSliderRange(int id, int min, int max) {
  if (auto* slider = GetDlgItemAs<QSlider>(id)) slider->setRange(min, max);
}

void QtDialogHost::SetSliderPos(int id, int pos) {
  if (auto* slider = GetDlgItemAs<QSlider>(id)) slider->setValue(pos);
}

int QtDialogHost::GetSliderPos(int id) const {
  // While a user's move is being reported the new position is the slider
  // position; its value follows right after.
  auto* slider = GetDlgItemAs<QSlider>(id);
  return slider ? slider->sliderPosition() : 0;
}

void QtDialogHost::SetSliderPageSize(int id, int page) {
  if (auto* slider = GetDlgItemAs<QSlider>(id)) slider->setPageStep(page);
}

int QtDialogHost::GetSliderPageSize(int id) const {
  auto* slider = GetDlgItemAs<QSlider>(id);
  return slider ? slider->pageStep() : 0;
}

void QtDialogHost::SetProgressPos(int id, int pos) {
  if (auto* bar = GetDlgItemAs<QProgressBar>(id)) bar->setValue(pos);
}

int QtDialogHost::GetProgressPos(int id) const {
  auto* bar = GetDlgItemAs<QProgressBar>(id);
  return bar ? bar->value() : 0;
}

void QtDialogHost::SetCaptionLabel(int id, const std::string& caption, ColorRef backColor) {
  if (auto* label = GetDlgItemAs<CDhsStatic>(id)) {
    label->backColor = backColor;
    label->SetCaption(QString::fromStdString(caption));
  }
}

int QtDialogHost::GetFocus() const { return IdOf(QApplication::focusWidget()); }

void QtDialogHost::SetFocus(int id) {
  if (QWidget* widget = GetDlgItem(id)) widget->setFocus(Qt::OtherFocusReason);
}

void QtDialogHost::SetSel(int id, int start, int end) {
  auto* edit = GetDlgItemAs<QLineEdit>(id);
  if (!edit) return;
  if (start == end) {
    edit->setCursorPosition(start);
  } else {
    edit->setSelection(start, end - start);
  }
}

void QtDialogHost::ShowWarning(const std::string& text) {
  ShowWarningBox(this, QString::fromStdString(text));
}

int QtDialogHost::RunModal(DialogLogic& child) {
  QtDialogHost host(child, this);
  return host.RunModal();
}

void QtDialogHost::StartWindowMove() {
  if (QWindow* window = windowHandle()) window->startSystemMove();
}

}  // namespace tr58k
