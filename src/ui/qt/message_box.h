// The program's message boxes: modal, warning icon, one OK button, captioned
// with the application's name. They all go through one replaceable sink so
// that tests can record them instead of clicking real boxes.
#pragma once

#include <QString>

class QWidget;

namespace tr58k {

class MessageBoxSink {
 public:
  virtual ~MessageBoxSink() = default;
  // Shows the box and returns when it has been dismissed. Window thread only.
  virtual void Warning(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// Installs `sink` (not owned; nullptr restores the real boxes). Returns the
// sink that was installed before, nullptr for the real boxes.
MessageBoxSink* SetMessageBoxSink(MessageBoxSink* sink);

// The executable's base name ("tr58k-config"); "tr58k-config" when the
// platform cannot tell.
QString ApplicationName();

// Shows `text` as a warning box with an OK button, captioned with
// ApplicationName(). Window thread only.
void ShowWarningBox(QWidget* parent, const QString& text);

}  // namespace tr58k
