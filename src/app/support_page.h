// The "驱动更新" button: the maker's support page in the desktop's default
// browser. The browser is started from a short thread of its own, so the
// window never waits for it.
#pragma once

#include <cstdint>
#include <string>

namespace tr58k {

// The maker's support page.
inline constexpr char16_t kSupportPageAddress[] = u"https://www.zemo.com.cn/support/";

// Hands an address to the browser. Called on the support-page thread.
class SupportPageOpener {
 public:
  virtual ~SupportPageOpener() = default;
  virtual void Open(const std::u16string& address) = 0;
};

// Installs `opener` (not owned; nullptr restores the desktop's opener,
// OpenAddressWithDesktop). Returns the one installed before, nullptr for the
// desktop's.
SupportPageOpener* SetSupportPageOpener(SupportPageOpener* opener);

// Copies `address` to the heap and starts SupportPageThread on the copy
// (null when the copy could not be made). Returns at once; nothing is
// reported, whatever happens.
void OpenSupportPage(std::u16string address);

// Hands `*address` to the opener and frees it. Returns 1 when the opener was
// called, 0 for a null argument.
uint32_t SupportPageThread(std::u16string* address);

}  // namespace tr58k
