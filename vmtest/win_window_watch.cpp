// tr58k-win-window-watch.exe: the Windows VM scenarios' eyes on a running
// tr58k-config.exe. It looks for the configuration window from outside, as
// any other program could, and writes what it shows whenever that changes:
//   window none | window shown     the window is gone or there
//   version TEXT                   the firmware version field (control 1027)
//   dpi1 TEXT                      the DPI edit box of level 1 (control 1020)
// in UTF-8, a line each. It ends after SECONDS (default 300), or once a
// window it saw has gone.
// A diagnostic for the VM harness; it shares no code with the program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr wchar_t kCaption[] = L"ZEMO TR-58K \u7535\u7ade\u5149\u5b66\u9f20\u6807";
constexpr int kVersionField = 1027;
constexpr int kDpiEdit1 = 1020;
constexpr DWORD kPollMs = 100;

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

// A control of another process: GetWindowText would not ask it, WM_GETTEXT
// does (the system carries the text across).
std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return "(missing)";
  wchar_t buffer[256] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 2000, &copied)) {
    return "(no answer)";
  }
  return Utf8(buffer);
}

void Report(const char* what, const std::string& now, std::string* last) {
  if (now == *last) return;
  *last = now;
  std::printf("%s %s\n", what, now.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD limitMs = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 300) * 1000;
  const ULONGLONG start = GetTickCount64();
  std::string window = "(start)", version, dpi1;
  bool seen = false;
  while (GetTickCount64() - start < limitMs) {
    HWND dialog = FindWindowW(L"#32770", kCaption);
    Report("window", dialog != nullptr ? "shown" : "none", &window);
    if (dialog != nullptr) {
      seen = true;
      Report("version", ControlText(dialog, kVersionField), &version);
      Report("dpi1", ControlText(dialog, kDpiEdit1), &dpi1);
    } else if (seen) {
      return 0;
    }
    Sleep(kPollMs);
  }
  return seen ? 0 : 1;
}
