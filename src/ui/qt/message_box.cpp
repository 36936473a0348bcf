#include "ui/qt/message_box.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <atomic>

namespace tr58k {

namespace {

class RealMessageBoxes final : public MessageBoxSink {
 public:
  void Warning(QWidget* parent, const QString& caption, const QString& text) override {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, parent);
    box.exec();
  }
};

std::atomic<MessageBoxSink*> g_sink{nullptr};

}  // namespace

MessageBoxSink* SetMessageBoxSink(MessageBoxSink* sink) { return g_sink.exchange(sink); }

QString ApplicationName() {
  const QString path = QCoreApplication::applicationFilePath();
  const QString name = QFileInfo(path).completeBaseName();
  return name.isEmpty() ? QStringLiteral("tr58k-config") : name;
}

void ShowWarningBox(QWidget* parent, const QString& text) {
  static RealMessageBoxes real;
  MessageBoxSink* sink = g_sink.load();
  (sink ? sink : &real)->Warning(parent, ApplicationName(), text);
}

}  // namespace tr58k
