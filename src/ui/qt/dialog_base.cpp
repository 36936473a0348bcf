#include "ui/qt/dialog_base.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>

#include "ui/qt/dhs_static.h"

namespace tr58k {

namespace {

bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

QWidget* MakeCombo(QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  // Typed text never becomes a new item, and nothing completes it: the list
  // holds the template's items only.
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
  QLineEdit* edit = combo->lineEdit();
  // Typing into the field leaves the list without a selection, whatever
  // was selected before; the typed text stays. (When the field is left
  // holding an item's exact text, Qt picks that item as if it had been
  // chosen from the list, with `activated`.)
  QObject::connect(edit, &QLineEdit::textEdited, combo, [combo, edit](const QString& text) {
    if (combo->currentIndex() < 0) return;
    const int cursor = edit->cursorPosition();
    combo->setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
  });
  return combo;
}

}  // namespace

QFont DialogFont(const DialogTemplate& tmpl) {
  QFont font(QString::fromUtf8(tmpl.fontFamily));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(tmpl.fontPointSize);
  return font;
}

DialogUnits DialogUnitsForFont(const QFont& font) {
  const QFontMetrics metrics(font);
  return DialogUnits(metrics.averageCharWidth(), metrics.height());
}

QRect ToQRect(const PixelRect& rect) { return QRect(rect.x, rect.y, rect.width, rect.height); }

CDialogBase::CDialogBase(const DialogTemplate& tmpl, QWidget* parent)
    : QDialog(parent), tmpl_(tmpl), units_(DialogUnitsForFont(DialogFont(tmpl))) {
  setFont(DialogFont(tmpl));
  setWindowTitle(QString::fromUtf8(tmpl.caption));
  // A top-level window of its own (with a taskbar entry), title bar, system
  // menu and close box, a minimise box on request, never a maximise box.
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (tmpl.minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  setWindowFlags(flags);
  setFixedSize(units_.ToPixelsX(tmpl.width), units_.ToPixelsY(tmpl.height));
  setSizeGripEnabled(false);
}

QString CDialogBase::ObjectNameFor(const ControlSpec& item, int index) {
  if (item.id == kNoControlId) return QStringLiteral("ctl_static%1").arg(index);
  return QStringLiteral("ctl%1").arg(item.id);
}

QWidget* CDialogBase::CreateControl(const ControlSpec& item) {
  const QString text = QString::fromUtf8(item.text);
  switch (item.kind) {
    case ControlKind::kPushButton: {
      auto* button = new QPushButton(text, this);
      // No default button: Enter clicks only the button that has the focus
      // (see eventFilter).
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::kGroupBox: {
      auto* group = new QGroupBox(text, this);
      // A frame drawn behind the controls it surrounds; clicks go through it
      // to the dialog, as they do on a static text.
      group->setAttribute(Qt::WA_TransparentForMouseEvents);
      return group;
    }
    case ControlKind::kStatic: {
      auto* label = new QLabel(text, this);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::kCaptionLabel: {
      auto* label = new CDhsStatic(this);
      label->setText(text);
      return label;
    }
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(text, this);
      // A status line rather than an input box: no frame.
      if (item.borderless) edit->setFrame(false);
      if (item.digitsOnly) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]*")), edit));
      }
      return edit;
    }
    case ControlKind::kComboDropDown:
      return MakeCombo(this);
    case ControlKind::kCheckBox:
      return new QCheckBox(text, this);
    case ControlKind::kTrackbar: {
      auto* slider = new QSlider(Qt::Horizontal, this);
      slider->setTickPosition(QSlider::NoTicks);
      slider->setRange(0, 100);
      return slider;
    }
    case ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(this);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return nullptr;
}

void CDialogBase::CreateControls() {
  if (controlsCreated_) return;
  controlsCreated_ = true;
  std::vector<QGroupBox*> groups;
  int index = 0;
  for (const ControlSpec& item : tmpl_.controls) {
    QWidget* widget = CreateControl(item);
    if (!widget) continue;
    if (widget->parentWidget() != this) widget->setParent(this);
    widget->setObjectName(ObjectNameFor(item, index++));
    QRect rect = ToQRect(units_.ToPixels(item.x, item.y, item.width, item.height));
    if (item.kind == ControlKind::kComboDropDown) {
      // The template's height is that of the open list; the closed box is
      // as tall as its font needs.
      rect.setHeight(widget->sizeHint().height());
    }
    widget->setGeometry(rect);
    if (item.id != kNoControlId) items_[item.id] = widget;
    if (auto* group = qobject_cast<QGroupBox*>(widget)) groups.push_back(group);
    WatchKeys(widget);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) WatchKeys(combo->lineEdit());
  }
  for (QGroupBox* group : groups) group->lower();
}

void CDialogBase::WatchKeys(QWidget* widget) {
  if (widget) widget->installEventFilter(this);
}

void CDialogBase::InitDialog() {
  CreateControls();
  if (initialised_) return;
  initialised_ = true;
  OnInitDialog();
}

int CDialogBase::DoModal() {
  InitDialog();
  return exec();
}

QWidget* CDialogBase::GetDlgItem(int id) const {
  const auto it = items_.find(id);
  return it == items_.end() ? nullptr : it->second;
}

bool CDialogBase::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
    reject();
    return true;
  }
  if (!IsEnterKey(key->key())) return QDialog::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    if (button->isEnabled()) button->click();
    return true;
  }
  // The field of a drop-down list counts as the list itself.
  if (widget && qobject_cast<QComboBox*>(widget->parentWidget())) {
    widget = widget->parentWidget();
  }
  OnEnterKey(widget);
  return true;
}

void CDialogBase::keyPressEvent(QKeyEvent* event) {
  if (IsEnterKey(event->key())) {
    OnEnterKey(this);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDialogBase::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnLButtonDown(event);
  QDialog::mousePressEvent(event);
}

int ComboGetCurSel(const QComboBox* combo) { return combo->currentIndex(); }

void ComboSetCurSel(QComboBox* combo, int index) {
  if (index < 0 || index >= combo->count()) index = -1;
  combo->setCurrentIndex(index);
  if (index < 0 && combo->lineEdit()) combo->lineEdit()->clear();
}

}  // namespace tr58k
