// The styles the two windows are made with, read back from the live
// dialogs: what the dialog manager asked for each window (watched as it
// creates them) against the list each window's controls are to have, and
// what the controls became once attached.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <mutex>
#include <vector>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/win32/win32_window_fixture.h"

namespace tr58k {
namespace {

struct Made {
  HWND hwnd;
  HWND parent;
  DWORD style;
  DWORD exStyle;
};

std::mutex g_madeMutex;
std::vector<Made> g_made;

LRESULT CALLBACK WatchCreation(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW& cs = *reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
    std::lock_guard<std::mutex> lock(g_madeMutex);
    g_made.push_back({reinterpret_cast<HWND>(wp), cs.hwndParent, static_cast<DWORD>(cs.style), cs.dwExStyle});
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

const Made* CreationOf(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_madeMutex);
  for (const Made& m : g_made) {
    if (m.hwnd == hwnd) return &m;
  }
  return nullptr;
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kGroupBox = kChild | BS_GROUPBOX;
constexpr DWORD kText = kChild | SS_LEFT;
constexpr DWORD kCombo = kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN;
constexpr DWORD kDpiEdit = kChild | WS_TABSTOP | ES_LEFT | ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER;
constexpr DWORD kTrack = kChild | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS;
// The dialog font is given, and is the shell's.
constexpr DWORD kFont = DS_SETFONT | DS_FIXEDSYS;

struct Expected {
  int id;
  DWORD style;
};

// The main window's controls, in creation order.
const Expected kMainControls[] = {
    {1001, kButton}, {-1, kGroupBox}, {-1, kText},     {-1, kGroupBox}, {1019, kCombo},
    {1033, kText},   {1020, kDpiEdit}, {1034, kText},  {1021, kDpiEdit}, {1035, kText},
    {1022, kDpiEdit}, {1036, kText},   {1023, kDpiEdit}, {1025, kButton}, {-1, kText},
    {1027, kText},   {1028, kChild | WS_TABSTOP | BS_AUTOCHECKBOX},      {1026, kButton},
    {1029, kTrack},  {1030, kTrack},   {1031, kTrack},  {1032, kTrack},   {-1, kText},
    {1037, kText},   {1002, kButton},  {-1, kText},     {1024, kCombo},   {-1, kText},
    {-1, kText},
};

// The update window's.
const Expected kUpdateControls[] = {
    {1000, kChild | WS_BORDER},
    {1001, kButton},
    {-1, kChild | WS_GROUP | SS_LEFT},
    {1017, kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL},  // no border, not read-only
    {1003, kButton},
};

// What the dialog manager adds on its own: every control of a template
// made with WS_EX_NOPARENTNOTIFY, a frame in the 3D look with the edges its
// style implies.
constexpr DWORD kManagersControlExStyle = WS_EX_NOPARENTNOTIFY;
constexpr DWORD kManagersFrameStyle = DS_3DLOOK;
constexpr DWORD kManagersFrameExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

// A template's WS_BORDER as the dialog manager may pass it on: a sunken
// client edge in a 3D-look dialog. Either way the control has its border.
Made AsBordered(Made m) {
  if (m.exStyle & WS_EX_CLIENTEDGE) {
    m.style |= WS_BORDER;
    m.exStyle &= ~WS_EX_CLIENTEDGE;
  }
  return m;
}

// The dialog's own controls in the order they were made.
std::vector<Made> ControlsOf(HWND dialog) {
  std::lock_guard<std::mutex> lock(g_madeMutex);
  std::vector<Made> out;
  for (const Made& m : g_made) {
    // Not the tooltip: a pop-up the dialog owns.
    if (m.parent == dialog && (m.style & WS_CHILD)) out.push_back(AsBordered(m));
  }
  return out;
}

void ExpectControls(HWND dialog, const Expected* expected, size_t count, const char* window) {
  const std::vector<Made> made = ControlsOf(dialog);
  ASSERT_EQ(made.size(), count) << window;
  for (size_t i = 0; i < count; ++i) {
    const Expected& e = expected[i];
    const int id = GetDlgCtrlID(made[i].hwnd);
    EXPECT_EQ(id, e.id == -1 ? 0xFFFF : e.id) << window << " control " << i;
    EXPECT_EQ(made[i].style, e.style) << window << " control " << i << " (" << e.id << ") style " << std::hex
                                      << made[i].style << " != " << e.style;
    EXPECT_EQ(made[i].exStyle & ~kManagersControlExStyle, 0u)
        << window << " control " << i << " (" << e.id << ") exstyle " << std::hex << made[i].exStyle;
  }
}

class Win32WindowStylesTest : public Win32WindowFixture {
 protected:
  void SetUp() override {
    {
      std::lock_guard<std::mutex> lock(g_madeMutex);
      g_made.clear();
    }
    MakeWindow();
    Open(nullptr, [this] { hook_ = SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId()); });
  }

  HHOOK hook_ = nullptr;  // the window thread's; goes with it
};

TEST_F(Win32WindowStylesTest, BothWindowsAreMadeWithTheirListedStyles) {
  ASSERT_NE(hook_, nullptr);
  HWND dlg = rig_->Dialog();
  HWND fw = OpenUpdateWindow(dlg);
  ASSERT_NE(fw, nullptr);

  // The frames: a pop-up with title bar, system menu and minimise box and a
  // taskbar button; the update window in a modal frame, no extended style.
  const struct {
    HWND hwnd;
    DWORD style;
    DWORD exStyle;
  } frames[] = {
      {dlg, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | kFont, WS_EX_APPWINDOW},
      {fw, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | kFont, 0},
  };
  for (const auto& f : frames) {
    const Made* made = CreationOf(f.hwnd);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->style & ~(WS_VISIBLE | kManagersFrameStyle), f.style) << std::hex << made->style;
    EXPECT_EQ(made->exStyle & ~kManagersFrameExStyle, f.exStyle) << std::hex << made->exStyle;
    const LONG_PTR live = GetWindowLongPtrW(f.hwnd, GWL_STYLE);
    EXPECT_EQ(live & (WS_MAXIMIZEBOX | WS_THICKFRAME | DS_CENTER), 0) << "fixed size, placed by the program";
    EXPECT_EQ(GetWindowLongPtrW(f.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW, static_cast<LONG_PTR>(f.exStyle));
  }
  EXPECT_EQ(GetWindowLongPtrW(dlg, GWL_STYLE) & DS_MODALFRAME, 0);

  ExpectControls(dlg, kMainControls, std::size(kMainControls), "main");
  ExpectControls(fw, kUpdateControls, std::size(kUpdateControls), "update");

  // What the controls are once attached: the captions owner-drawn, the
  // status field still without border and writable.
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(dlg, ctl::kDpiLabel1 + k), GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
  }
  HWND status = GetDlgItem(fw, fwctl::kStatus);
  EXPECT_EQ(GetWindowLongPtrW(status, GWL_STYLE) & (ES_READONLY | WS_BORDER), 0);
  EXPECT_EQ(GetWindowLongPtrW(status, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
}

TEST_F(Win32WindowStylesTest, TheStatusFieldKeepsTheProgramsTextAndTheWindowsSitOnScreen) {
  HWND dlg = rig_->Dialog();
  HWND fw = OpenUpdateWindow(dlg);
  ASSERT_NE(fw, nullptr);
  HWND status = GetDlgItem(fw, fwctl::kStatus);
  ASSERT_EQ(rig_->Text(fw, fwctl::kStatus), "");

  // Typing, pasting and a text put there from outside do not stay.
  SendMessageW(status, WM_CHAR, L'x', 0);
  EXPECT_EQ(rig_->Text(fw, fwctl::kStatus), "");
  OpenClipboard(nullptr);
  EmptyClipboard();
  HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 16);
  wcscpy(static_cast<wchar_t*>(GlobalLock(text)), L"pasted");
  GlobalUnlock(text);
  SetClipboardData(CF_UNICODETEXT, text);
  CloseClipboard();
  SendMessageW(status, WM_PASTE, 0, 0);
  EXPECT_EQ(rig_->Text(fw, fwctl::kStatus), "");
  // The program's own text: no mouse to update.
  mouse_->Unplug();
  rig_->ClickLater(fw, fwctl::kUpdate);
  ASSERT_TRUE(rig_->WaitUntil([&] { return !rig_->Text(fw, fwctl::kStatus).empty(); }, 20000));
  const std::string shown = rig_->Text(fw, fwctl::kStatus);
  rig_->TypeText(fw, fwctl::kStatus, "typed");
  SendMessageW(status, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(rig_->Text(fw, fwctl::kStatus), shown);

  // The main window in its monitor's work area, the update window over it.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(dlg, MONITOR_DEFAULTTOPRIMARY), &monitor));
  RECT main{}, update{};
  GetWindowRect(dlg, &main);
  GetWindowRect(fw, &update);
  const RECT& area = monitor.rcWork;
  EXPECT_GE(main.left, area.left);
  EXPECT_GE(main.top, area.top);
  EXPECT_NEAR((main.left + main.right) / 2, (area.left + area.right) / 2, 1);
  EXPECT_NEAR((update.left + update.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((update.top + update.bottom) / 2, (main.top + main.bottom) / 2, 1);
}

}  // namespace
}  // namespace tr58k
