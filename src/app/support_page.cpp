#include "app/support_page.h"

#include <QProcess>
#include <QStringList>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

namespace tr58k {

namespace {

// xdg-open asks the desktop for its default browser. QProcess's detached
// start is safe from any thread, unlike the GUI-bound desktop services.
class XdgOpen final : public SupportPageOpener {
 public:
  void Open(const QString& address) override {
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{address});
  }
};

std::atomic<SupportPageOpener*> g_opener{nullptr};

}  // namespace

SupportPageOpener* SetSupportPageOpener(SupportPageOpener* opener) {
  return g_opener.exchange(opener);
}

uint32_t SupportPageThread(std::u16string* address) {
  if (!address) return 0;
  std::unique_ptr<std::u16string> owned(address);
  static XdgOpen xdg;
  SupportPageOpener* opener = g_opener.load();
  (opener ? opener : &xdg)->Open(QString::fromStdU16String(*owned));
  return 1;
}

void OpenSupportPage(std::u16string address) {
  // The thread gets a buffer of its own, shared with nobody.
  auto* copy = new (std::nothrow) std::u16string(address.data(), address.size());
  try {
    std::thread(SupportPageThread, copy).detach();
  } catch (const std::system_error&) {
    delete copy;  // no thread: nothing opens, nothing is reported
  }
}

}  // namespace tr58k
