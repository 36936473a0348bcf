// Opening the support page on Windows: the shell hands the address to the
// default browser. The caller runs this on a thread of its own.
#include <windows.h>
#include <shellapi.h>

#include <string>

#if __has_include("app/desktop_open.h")
#include "app/desktop_open.h"
#else
namespace tr58k {
void OpenAddressWithDesktop(const std::u16string& address);
}  // namespace tr58k
#endif

namespace tr58k {

void OpenAddressWithDesktop(const std::u16string& address) {
  // wchar_t is UTF-16 on Windows: the address passes unchanged.
  const std::wstring wide(address.begin(), address.end());
  ::ShellExecuteW(nullptr, L"open", wide.c_str(), L"", L"", SW_SHOW);
}

}  // namespace tr58k
