#include "app/support_page.h"

#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "app/desktop_open.h"

namespace tr58k {

namespace {

class DesktopOpener final : public SupportPageOpener {
 public:
  void Open(const std::u16string& address) override { OpenAddressWithDesktop(address); }
};

std::atomic<SupportPageOpener*> g_opener{nullptr};

}  // namespace

SupportPageOpener* SetSupportPageOpener(SupportPageOpener* opener) {
  return g_opener.exchange(opener);
}

uint32_t SupportPageThread(std::u16string* address) {
  if (!address) return 0;
  std::unique_ptr<std::u16string> owned(address);
  static DesktopOpener desktop;
  SupportPageOpener* opener = g_opener.load();
  (opener ? opener : &desktop)->Open(*owned);
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
