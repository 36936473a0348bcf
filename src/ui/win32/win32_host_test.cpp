// The Win32 host on a small dialog of every kind of control: the template
// as the dialog manager reads it, the caption label's drawing, which
// messages reach the logic and which changes made by the host stay silent.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <mutex>
#include <string>
#include <vector>

#include "testing/win32_dialog_rig.h"
#include "ui/win32/dhs_static.h"
#include "ui/win32/dialog_template_win32.h"
#include "ui/win32/win32_dialog_host.h"

namespace tr58k {
namespace {

enum : int { kButton = 10, kEdit = 11, kCombo = 12, kSlider = 13, kLabel = 14, kCheck = 15 };

const DialogTemplate& TestTemplate() {
  using K = ControlKind;
  static const DialogTemplate tmpl{
      7, "测试 dialog", "MS Shell Dlg", 8, 200, 120, false,
      {
          {kButton, K::kPushButton, "按钮", 10, 10, 50, 14},
          {kNoControlId, K::kStatic, "odd", 10, 30, 21, 8},  // an odd-length text: padding follows
          {kEdit, K::kEdit, "", 70, 10, 40, 14, /*digitsOnly=*/true},
          {kCombo, K::kComboDropDown, "", 70, 30, 60, 60},
          {kSlider, K::kTrackbar, "", 10, 50, 120, 15},
          {kLabel, K::kCaptionLabel, "L", 10, 70, 40, 12},
          {kCheck, K::kCheckBox, "check", 10, 90, 60, 10},
      }};
  return tmpl;
}

// Records every notification, as "name id".
class RecordingLogic : public DialogLogic {
 public:
  const DialogTemplate& Template() const override { return TestTemplate(); }
  void OnCommand(int id) override { Add("command", id); }
  void OnListChoice(int id) override { Add("list", id); }
  void OnSliderMoved(int id) override { Add("slider", id); }
  void OnEditChanged(int id) override { Add("edit", id); }
  void OnEditLostFocus(int id) override { Add("lostfocus", id); }
  void OnEnter(int focusId) override { Add("enter", focusId); }
  void OnEscape() override { Add("escape", 0); }
  void OnCloseRequest() override {
    Add("close", 0);
    host().EndDialog(kIdCancel);
  }
  void OnDeviceChange(const HidEvent& event) override {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("device " + std::to_string(static_cast<int>(event.kind)) + " " + event.path);
  }
  void OnTimer(int id) override {
    Add("timer", id);
    host().KillTimer(id);
  }
  bool CanEnd() const override { return !refuseEnd; }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
  }
  std::atomic<bool> refuseEnd{false};

 private:
  void Add(const char* name, int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(std::string(name) + " " + std::to_string(id));
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

using Events = std::vector<std::string>;

TEST(Win32DialogTemplateTest, ItemsStartOnDwordsAndNameTheirClasses) {
  const std::vector<WORD> t = BuildDialogTemplateEx(TestTemplate());
  ASSERT_GT(t.size(), 20u);
  EXPECT_EQ(t[0], 1);
  EXPECT_EQ(t[1], 0xFFFF);
  const DWORD style = MAKELONG(t[6], t[7]);
  EXPECT_EQ(style & DS_SHELLFONT, static_cast<DWORD>(DS_SHELLFONT));
  EXPECT_EQ(t[8], TestTemplate().controls.size());
  // The dialog manager itself reads the whole template back.
  InitWin32Controls();
  HWND dlg = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                        nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  ASSERT_NE(dlg, nullptr);
  wchar_t text[64] = {};
  GetWindowTextW(dlg, text, 64);
  EXPECT_EQ(std::wstring(text), L"测试 dialog");
  const struct {
    int id;
    const wchar_t* className;
    const wchar_t* text;
  } expected[] = {{kButton, L"Button", L"按钮"},           {kEdit, L"Edit", L""},
                  {kCombo, L"ComboBox", L""},              {kSlider, TRACKBAR_CLASSW, L""},
                  {kLabel, L"Static", L"L"},               {kCheck, L"Button", L"check"}};
  for (const auto& e : expected) {
    HWND item = GetDlgItem(dlg, e.id);
    ASSERT_NE(item, nullptr) << e.id;
    wchar_t cls[64] = {};
    GetClassNameW(item, cls, 64);
    EXPECT_EQ(_wcsicmp(cls, e.className), 0) << e.id;
    GetWindowTextW(item, text, 64);
    EXPECT_EQ(std::wstring(text), e.text) << e.id;
  }
  EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(dlg, kEdit), GWL_STYLE) & ES_NUMBER);
  DestroyWindow(dlg);
}

// Pixels of a caption label drawn into a bitmap of its own.
struct Drawn {
  std::vector<COLORREF> pixels;
  int width, height;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

Drawn DrawLabel(CDhsStatic& label, int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item{};
  item.hDC = dc;
  item.rcItem = RECT{0, 0, width, height};
  label.DrawItem(item);
  Drawn out{{}, width, height};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) out.pixels.push_back(GetPixel(dc, x, y));
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return out;
}

TEST(Win32CaptionLabelTest, FillsWithItsColourAndCentresTheCaption) {
  CDhsStatic label;
  label.backColor = 0x0000FF;
  Drawn empty = DrawLabel(label, 60, 20);
  for (COLORREF p : empty.pixels) ASSERT_EQ(p, 0x0000FFu) << "a label without caption is its colour only";

  label.SetCaption(L"first");
  label.SetCaption(L"DPI1:");
  ASSERT_EQ(label.texts.size(), 1u);
  Drawn drawn = DrawLabel(label, 60, 20);
  // Black caption pixels, centred: as many columns of ink left of the
  // middle as right of it, give or take a glyph's side bearing.
  int left = drawn.width, right = -1;
  for (int y = 0; y < drawn.height; ++y) {
    for (int x = 0; x < drawn.width; ++x) {
      const COLORREF p = drawn.At(x, y);
      EXPECT_TRUE(p == 0x0000FF || GetRValue(p) < 0xFF || GetGValue(p) > 0) << "only fill and ink";
      if (p != 0x0000FF) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  ASSERT_GE(right, 0) << "no caption drawn";
  EXPECT_NEAR(left, drawn.width - 1 - right, 3);
  EXPECT_EQ(drawn.At(0, 0), 0x0000FFu);
}

TEST(Win32DialogHostTest, UserActionsReachTheLogicAndTheHostsOwnChangesDoNot) {
  RecordingLogic logic;
  Win32DialogRig rig(logic);
  HWND dlg = rig.Dialog();
  ASSERT_NE(dlg, nullptr);
  WindowHost& host = *logic.Host();

  // Changes made through the host raise nothing.
  host.Calls().Call([&] {
    host.SetText(kEdit, "123");
    host.AddListItem(kCombo, "a");
    host.AddListItem(kCombo, "b");
    host.SetCurSel(kCombo, 1);
    host.SetSliderRange(kSlider, 1, 240);
    host.SetSliderPos(kSlider, 300);
    host.SetCaptionLabel(kLabel, "DPI1:", 0x00FF00);
    host.SetCheck(kCheck, true);
  });
  EXPECT_EQ(logic.Events(), Events{});
  EXPECT_EQ(rig.Text(dlg, kEdit), "123");
  EXPECT_EQ(rig.CurSel(dlg, kCombo), 1);
  EXPECT_EQ(rig.Text(dlg, kCombo), "b");
  EXPECT_EQ(rig.SliderPos(dlg, kSlider), 240) << "held at the range's end";
  EXPECT_TRUE(rig.Checked(dlg, kCheck));
  int sel = 0;
  host.Calls().Call([&] {
    host.SetCurSel(kCombo, 5);  // outside: no selection, empty field
    sel = host.GetCurSel(kCombo);
  });
  EXPECT_EQ(sel, -1);
  EXPECT_EQ(rig.Text(dlg, kCombo), "");

  // What the user does does.
  rig.Click(dlg, kButton);
  rig.TypeText(dlg, kEdit, "45");
  rig.Choose(dlg, kCombo, 0);
  rig.MoveSlider(dlg, kSlider, 20);
  rig.Click(dlg, kCheck);  // a check box toggles itself, silently
  host.Calls().Call([&] { host.SetFocus(kEdit); });
  SendMessageW(dlg, WM_COMMAND, IDOK, 0);      // Enter outside a button
  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);  // Escape
  EXPECT_EQ(logic.Events(), (Events{"command 10", "edit 11", "list 12", "slider 13", "enter 11", "escape 0"}));
  EXPECT_FALSE(rig.Checked(dlg, kCheck));

  // No tip yet: no tooltip window either. A tip on a control, replaced,
  // then taken away.
  HWND tips = nullptr, tipsBefore = nullptr;
  std::wstring tipText(64, L'\0');
  LRESULT toolsWithTip = 0, toolsWithout = 0;
  host.Calls().Call([&] {
    auto& win32 = static_cast<Win32DialogHost&>(host);
    host.SetToolTip(kCheck, "");
    tipsBefore = win32.ToolTipWindow();
    host.SetToolTip(kCheck, "old");
    host.SetToolTip(kCheck, "提示");
    tips = win32.ToolTipWindow();
    toolsWithTip = SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0);
    TOOLINFOW info{};
    info.cbSize = sizeof(info);
    info.hwnd = dlg;
    info.uId = kCheck;
    info.lpszText = tipText.data();
    SendMessageW(tips, TTM_GETTEXTW, tipText.size(), reinterpret_cast<LPARAM>(&info));
    host.SetToolTip(kCheck, "");
    toolsWithout = SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0);
  });
  EXPECT_EQ(tipsBefore, nullptr);
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(toolsWithTip, 1);
  EXPECT_EQ(std::wstring(tipText.c_str()), L"提示");
  EXPECT_EQ(toolsWithout, 0);

  // A timer of the logic's.
  logic.Clear();
  host.Calls().Call([&] { host.SetTimer(3, 10); });
  EXPECT_TRUE(rig.WaitUntil([&] { return logic.Events() == Events{"timer 3"}; }));

  // The close box asks the logic, which may refuse to end.
  logic.Clear();
  logic.refuseEnd = true;
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_EQ(logic.Events(), Events{"close 0"});
  EXPECT_TRUE(IsWindow(dlg));
  logic.refuseEnd = false;
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_TRUE(rig.WaitUntil([&] { return rig.Ended(); }));
  EXPECT_EQ(rig.Result(), kIdCancel);
  EXPECT_EQ(logic.Host(), nullptr) << "the host let go of the logic";
}

// A monitor whose events the test hands in.
class HandedMonitor final : public HidMonitor {
 public:
  int PollFd() const override { return -1; }
  void SetEventsWaitingCallback(std::function<void()> eventsWaiting) override {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_ = std::move(eventsWaiting);
  }
  std::vector<HidEvent> ReadEvents() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(events_, {});
  }
  void Hand(HidEvent event) {
    std::function<void()> waiting;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(std::move(event));
      waiting = waiting_;
    }
    if (waiting) waiting();
  }

 private:
  std::mutex mutex_;
  std::vector<HidEvent> events_;
  std::function<void()> waiting_;
};

// The simulated mouse's events come through the monitor; a real mouse's as
// WM_DEVICECHANGE to the dialog, registered on its own handle.
TEST(Win32DialogHostTest, DeviceEventsComeFromTheMonitorOrFromTheDialogsOwnNotifications) {
  const std::wstring path = L"\\\\?\\HID#VID_4C95&PID_5837&MI_01#7&1&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
  for (bool fromWindow : {false, true}) {
    RecordingLogic logic;
    HandedMonitor monitor;
    Win32DialogRig rig(logic, [&](Win32DialogHost& host) {
      if (fromWindow) host.UseWindowDeviceNotifications();
      host.WatchDeviceEvents(&monitor);
    });
    HWND dlg = rig.Dialog();
    ASSERT_NE(dlg, nullptr);
    monitor.Hand({HidEventKind::kArrival, "sim"});
    SendDeviceInterfaceChange(dlg, DBT_DEVICEREMOVECOMPLETE, path);
    const Events expected =
        fromWindow ? Events{"device 1 " + std::string(path.begin(), path.end())} : Events{"device 0 sim"};
    EXPECT_TRUE(rig.WaitUntil([&] { return logic.Events() == expected; }, 3000))
        << (fromWindow ? "window" : "monitor") << ": " << (logic.Events().empty() ? "" : logic.Events()[0]);
    SendMessageW(dlg, WM_CLOSE, 0, 0);
  }
}

}  // namespace
}  // namespace tr58k
