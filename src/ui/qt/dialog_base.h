// The dialog layer the windows are written against: a QDialog built from a
// DialogTemplate, its controls addressed by their identifiers, an explicit
// initialisation step before the first show, and the dialog keys.
//
// Keys: Escape ends the dialog with the rejected result. Enter or Return on
// a push button clicks it; anywhere else it goes to OnEnterKey and never
// ends the dialog (a stray Enter must not close the program with unsaved
// edits).
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <map>

#include "ui/dialog_template.h"

class QMouseEvent;

namespace tr58k {

// The font a template asks for, with a sans-serif fallback when the family
// is not installed (it never is on Linux: the Windows "MS Shell Dlg").
QFont DialogFont(const DialogTemplate& tmpl);
// The dialog units of a font: its average character width and height.
DialogUnits DialogUnitsForFont(const QFont& font);
QRect ToQRect(const PixelRect& rect);

class CDialogBase : public QDialog {
  Q_OBJECT

 public:
  // `tmpl` must outlive the dialog.
  explicit CDialogBase(const DialogTemplate& tmpl, QWidget* parent = nullptr);

  // Creates the controls and runs OnInitDialog, the first time only. Call it
  // before the dialog is first shown.
  void InitDialog();
  // InitDialog, then runs the dialog modally. Returns QDialog's result.
  int DoModal();

  // The control with identifier `id`; nullptr before InitDialog or for an
  // identifier the template does not hold.
  QWidget* GetDlgItem(int id) const;
  template <typename T>
  T* GetDlgItemAs(int id) const {
    return qobject_cast<T*>(GetDlgItem(id));
  }

  const DialogTemplate& Template() const { return tmpl_; }
  const DialogUnits& Units() const { return units_; }

  // "ctl<id>" for addressed controls, "ctl_static<index>" for the others.
  static QString ObjectNameFor(const ControlSpec& item, int index);

 protected:
  // Makes the widget of one template control. Override to put a class of
  // one's own on an identifier; the base applies geometry and name.
  virtual QWidget* CreateControl(const ControlSpec& item);
  virtual void OnInitDialog() {}
  // Enter or Return pressed in `control`, which is not a push button.
  virtual void OnEnterKey(QWidget* control) {}
  // Left button pressed on the dialog's background (static texts and group
  // boxes included).
  virtual void OnLButtonDown(QMouseEvent* event) {}

  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void CreateControls();
  void WatchKeys(QWidget* widget);

  const DialogTemplate& tmpl_;
  DialogUnits units_;
  std::map<int, QWidget*> items_;
  bool controlsCreated_ = false;
  bool initialised_ = false;
};

// Drop-down list selection with the list-box rules: an index outside the
// list clears the selection (and the edit field); no selection reads as -1.
int ComboGetCurSel(const QComboBox* combo);
void ComboSetCurSel(QComboBox* combo, int index);

}  // namespace tr58k
