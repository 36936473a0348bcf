// The two windows at 96, 144 and 192 DPI (the prefix's LogPixels, read by
// each process as it starts, so each scale runs in a process of its own):
// the captions keep their size against the dialog font, no text is cut,
// and a window that moves to a monitor of another scale makes its caption
// fonts again.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/win32/win32_window_fixture.h"
#include "ui/win32/dhs_static.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_dialog_host.h"
#include "ui/win32/window_dpi.h"

namespace tr58k {
namespace {

// The child's measurements go to the file this names.
constexpr char kProbeFileVariable[] = "TR58K_DPI_PROBE_FILE";
// The longest text the program puts in the update window's status field.
constexpr wchar_t kLongestStatus[] = L"更新完成，鼠标当前固件版本号：V1.03";

TEXTMETRICW MetricsOf(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm;
}

// The text's size in `font`; with a width, as a static control lays it out.
SIZE TextSize(HFONT font, const std::wstring& text, int wrapWidth = 0) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  RECT r{0, 0, wrapWidth, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return {r.right - r.left, r.bottom - r.top};
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

// Whether a caption label of this size shows the whole caption: drawn by
// the label's own code into a bitmap with room around the label, no ink may
// fall outside it.
bool CaptionFits(int fontHeight, SIZE label, const std::wstring& caption, std::string& why) {
  CDhsStatic drawn;
  drawn.SetFontHeight(fontHeight);
  drawn.backColor = 0xFFFFFF;
  drawn.SetCaption(caption);
  const int margin = label.cy;
  const int width = label.cx + 2 * margin, height = label.cy + 2 * margin;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DRAWITEMSTRUCT item{};
  item.hDC = dc;
  item.rcItem = RECT{margin, margin, margin + label.cx, margin + label.cy};
  drawn.DrawItem(item);
  int outside = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool in = x >= margin && x < margin + label.cx && y >= margin && y < margin + label.cy;
      if (!in && GetPixel(dc, x, y) != 0xFFFFFF) ++outside;
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  why = std::to_string(outside) + " pixels of ink outside a " + std::to_string(label.cx) + " x " +
        std::to_string(label.cy) + " label";
  return outside == 0;
}

// Every text of `dialog` within its control at `dpi`; one line per fault.
std::vector<std::string> ClippedTexts(HWND dialog, const DialogTemplate& tmpl, UINT dpi, int captionHeight) {
  std::vector<std::string> faults;
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const ControlSpec& c : tmpl.controls) {
    if (!child) {
      faults.push_back("fewer controls than the template");
      break;
    }
    HWND item = child;
    child = GetWindow(child, GW_HWNDNEXT);
    if (!(GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE)) continue;  // a row the level count hides
    RECT rc{};
    GetClientRect(item, &rc);
    const int width = rc.right, height = rc.bottom;
    auto font = reinterpret_cast<HFONT>(SendMessageW(item, WM_GETFONT, 0, 0));
    const std::string name = std::to_string(c.id) + " \"" + c.text + "\"";
    auto check = [&](bool fits, SIZE need, const std::wstring& text) {
      if (!fits) {
        faults.push_back(name + ": " + WideToUtf8(text) + " needs " + std::to_string(need.cx) + " x " +
                         std::to_string(need.cy) + " in " + std::to_string(width) + " x " +
                         std::to_string(height));
      }
    };
    const int pad = ScaleForDpi(3, dpi);  // a control's own edge and margin, each side
    switch (c.kind) {
      case ControlKind::kStatic: {
        const std::wstring text = WindowText(item);
        if (text.empty()) break;
        const SIZE need = TextSize(font, text, width);
        check(need.cx <= width && need.cy <= height, need, text);
        break;
      }
      case ControlKind::kPushButton:
      case ControlKind::kGroupBox: {
        const std::wstring text = WindowText(item);
        const SIZE need = TextSize(font, text);
        const int sides = c.kind == ControlKind::kGroupBox ? ScaleForDpi(8, dpi) : pad;
        check(need.cx + 2 * sides <= width && need.cy <= height, need, text);
        break;
      }
      case ControlKind::kCheckBox: {
        const std::wstring text = WindowText(item);
        const SIZE need = TextSize(font, text);
        const int box = SystemMetricForDpi(SM_CXMENUCHECK, dpi) + pad;
        check(box + need.cx <= width && need.cy <= height, need, text);
        break;
      }
      case ControlKind::kComboDropDown: {
        const int arrow = SystemMetricForDpi(SM_CXVSCROLL, dpi);
        const int count = static_cast<int>(SendMessageW(item, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
          wchar_t text[64] = {};
          SendMessageW(item, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
          const SIZE need = TextSize(font, text);
          check(need.cx + arrow + 2 * pad <= width, need, text);
        }
        break;
      }
      case ControlKind::kEdit: {
        const std::wstring text = c.digitsOnly ? L"16000" : kLongestStatus;
        const SIZE need = TextSize(font, text);
        check(need.cx + 2 * pad <= width && need.cy <= height, need, text);
        break;
      }
      case ControlKind::kCaptionLabel: {
        std::string why;
        if (!CaptionFits(captionHeight, SIZE{width, height}, L"DPI4:", why)) faults.push_back(name + ": " + why);
        break;
      }
      default:
        break;
    }
  }
  return faults;
}

class Win32WindowDpiTest : public Win32WindowFixture {
 protected:
  void SetUp() override {
    // OneScale runs only in the processes AtEveryScale starts, the others
    // never there.
    const bool probe = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) == "OneScale";
    if (probe != (std::getenv(kProbeFileVariable) != nullptr)) GTEST_SKIP() << "not in this process";
    MakeWindow();
    Open([this](Win32DialogHost& host) { hosts_.push_back(&host); });
  }
  int CaptionHeight(int row) {
    HFONT font = nullptr;
    hosts_[0]->Calls().Call([&] { font = hosts_[0]->CaptionFont(ctl::kDpiLabel1 + row); });
    return font ? MetricsOf(font).tmHeight : 0;
  }

  std::vector<Win32DialogHost*> hosts_;  // window thread's; as made
};

// One scale, in a process started at it: measures both windows, fails on a
// cut text and writes what the comparison across scales needs.
TEST_F(Win32WindowDpiTest, OneScale) {
  const char* probeFile = std::getenv(kProbeFileVariable);
  HWND dlg = rig_->Dialog();
  HWND fw = OpenUpdateWindow(dlg);
  ASSERT_NE(fw, nullptr);
  const UINT dpi = WindowDpi(dlg);
  const int caption = CaptionHeight(0);
  for (const std::string& fault : ClippedTexts(dlg, MainDialogTemplate(), dpi, caption)) ADD_FAILURE() << fault;
  for (const std::string& fault : ClippedTexts(fw, FwUpdateDialogTemplate(), dpi, caption)) ADD_FAILURE() << fault;
  auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
  std::ofstream out(probeFile);
  // Without the Windows 10 functions (Windows 7 and 8): the system's DPI.
  out << "dpi " << dpi << "\nwithout_newer_functions " << WindowDpi(dlg, DpiFunctions{}) << "\nupdate_dpi "
      << WindowDpi(fw) << "\ndialog_font " << MetricsOf(dialogFont).tmHeight
      << "\ncaption_font " << CaptionHeight(0) << "\n";
}

// A registry value of the test prefix set for a while, then put back.
class RegistryValueOverride {
 public:
  RegistryValueOverride(HKEY root, const wchar_t* key, const wchar_t* name) : name_(name) {
    RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = 0;
    had_ = RegQueryValueExW(key_, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    before_.resize(size);
    if (had_) RegQueryValueExW(key_, name, nullptr, &type_, before_.data(), &size);
  }
  ~RegistryValueOverride() {
    if (had_) {
      RegSetValueExW(key_, name_, 0, type_, before_.data(), static_cast<DWORD>(before_.size()));
    } else {
      RegDeleteValueW(key_, name_);
    }
    RegCloseKey(key_);
  }
  void Set(DWORD type, const void* data, size_t size) {
    RegSetValueExW(key_, name_, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
  }

 private:
  HKEY key_ = nullptr;
  const wchar_t* name_;
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> before_;
};

// Runs OneScale at each scale in a process of its own.
TEST(Win32WindowDpiScalesTest, AtEveryScale) {
  if (std::getenv(kProbeFileVariable)) GTEST_SKIP() << "the child's own run";
  RegistryValueOverride logPixels(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
  // Chinese glyphs for the dialog font, as a Chinese Windows has them:
  // without them every Chinese character measures as a narrow box.
  RegistryValueOverride chinese(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink",
                                L"Tahoma");
  static const wchar_t kLinked[] = L"wqy-microhei.ttc,WenQuanYi Micro Hei\0wqy-zenhei.ttc,WenQuanYi Zen Hei\0";
  chinese.Set(REG_MULTI_SZ, kLinked, sizeof(kLinked));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring probe = std::wstring(folder) + L"tr58k-dpi-probe.txt";
  const std::wstring log = std::wstring(folder) + L"tr58k-dpi-probe.log";
  SetEnvironmentVariableW(Utf8ToWide(kProbeFileVariable).c_str(), probe.c_str());

  std::map<UINT, std::map<std::string, int>> measured;
  for (const DWORD dpi : {96u, 144u, 192u}) {
    logPixels.Set(REG_DWORD, &dpi, sizeof(dpi));
    DeleteFileW(probe.c_str());
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE output = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = output;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=Win32WindowDpiTest.OneScale";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(output);
    const bool ended = WaitForSingleObject(pi.hProcess, 90000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    DWORD status = 1;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::ifstream logIn(WideToUtf8(log));
    std::stringstream childLog;
    childLog << logIn.rdbuf();
    EXPECT_TRUE(ended && status == 0) << "at " << dpi << " DPI:\n" << childLog.str();
    std::ifstream in(WideToUtf8(probe));
    std::string key;
    int value = 0;
    while (in >> key >> value) measured[dpi][key] = value;
  }
  SetEnvironmentVariableW(Utf8ToWide(kProbeFileVariable).c_str(), nullptr);
  DeleteFileW(probe.c_str());
  DeleteFileW(log.c_str());

  // The caption is 16 px at 96 DPI, and keeps its height's ratio to the
  // dialog font's at every scale, within a pixel.
  ASSERT_EQ(measured[96]["caption_font"], 16);
  const double ratio = 16.0 / measured[96]["dialog_font"];
  for (const UINT dpi : {96u, 144u, 192u}) {
    std::map<std::string, int>& m = measured[dpi];
    std::printf("at %u DPI: window at %d DPI, dialog font %d px, captions %d px\n", dpi, m["dpi"],
                m["dialog_font"], m["caption_font"]);
    EXPECT_EQ(m["dpi"], static_cast<int>(dpi)) << "the window is not shown at the system's scale";
    EXPECT_EQ(m["update_dpi"], static_cast<int>(dpi));
    EXPECT_EQ(m["without_newer_functions"], static_cast<int>(dpi));
    EXPECT_NEAR(m["caption_font"], ratio * m["dialog_font"], 1.0)
        << "at " << dpi << " DPI: caption " << m["caption_font"] << " px, dialog font " << m["dialog_font"] << " px";
  }
}

// A move to a monitor of another scale: the captions' fonts are made again.
TEST_F(Win32WindowDpiTest, AMoveToAnotherScaleMakesTheCaptionFontsAgain) {
  HWND dlg = rig_->Dialog();
  ASSERT_NE(dlg, nullptr);
  const UINT start = WindowDpi(dlg);
  const int startHeight = CaptionHeight(0);
  RECT r{};
  GetWindowRect(dlg, &r);
  for (const UINT dpi : {start * 2, start}) {
    SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    for (int row = 0; row < 4; ++row) {
      // Twice the size within a pixel, and back to where it was.
      EXPECT_NEAR(CaptionHeight(row), startHeight * static_cast<int>(dpi / start), 1) << dpi;
    }
  }
  EXPECT_EQ(CaptionHeight(0), startHeight);
}

}  // namespace
}  // namespace tr58k
