#include "ui/win32/win32_dialog_host.h"

#include <commctrl.h>

#include <dbt.h>

#include <algorithm>
#include <vector>

#include "device/windows/device_notification.h"
#include "ui/win32/dialog_template_win32.h"
#include "ui/win32/utf16.h"

namespace tr58k {

namespace {

std::function<void(Win32DialogHost&)>& DialogCreatedHook() {
  static std::function<void(Win32DialogHost&)> hook;
  return hook;
}

// The program's icon in the executable's resources.
constexpr int kProgramIconId = 128;

HICON LoadProgramIcon(int metricX, int metricY, UINT dpi) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIconId),
                                       IMAGE_ICON, SystemMetricForDpi(metricX, dpi),
                                       SystemMetricForDpi(metricY, dpi), LR_DEFAULTCOLOR));
}

// How wide a tooltip grows before it wraps (it honours line breaks only
// with a width), in pixels at 96 DPI.
constexpr int kToolTipWidthAt96 = 480;

// Centres the dialog on its owner when the owner shows, else on the work
// area of its monitor, and keeps it inside that work area: what the dialog
// framework does for every dialog that has not placed itself.
void PlaceDialog(HWND dialog, HWND owner) {
  const bool onOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(onOwner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    return;
  }
  const RECT area = monitor.rcWork;
  RECT around = area;
  if (onOwner) GetWindowRect(owner, &around);
  RECT own{};
  GetWindowRect(dialog, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  // The title bar stays reachable when the window is larger than the area.
  x = std::max<int>(area.left, std::min<int>(x, area.right - width));
  y = std::max<int>(area.top, std::min<int>(y, area.bottom - height));
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void InitWin32Controls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

std::wstring ProgramName() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path, n);
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name.empty() ? L"tr58k-config" : name;
}

void Win32DialogHost::SetDialogCreatedHook(std::function<void(Win32DialogHost&)> hook) {
  DialogCreatedHook() = std::move(hook);
}

Win32DialogHost::Win32DialogHost(DialogLogic& logic, HWND owner)
    : logic_(logic), owner_(owner), calls_([this] {
        if (HWND hwnd = hwnd_.load()) PostMessageW(hwnd, kMsgRunCalls, 0, 0);
      }) {}

Win32DialogHost::~Win32DialogHost() {
  Destroy();
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

int Win32DialogHost::RunModal() {
  InitWin32Controls();
  const std::vector<WORD> tmpl = BuildDialogTemplateEx(logic_.Template());
  const INT_PTR result = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()), owner_,
      &Win32DialogHost::DialogProc, reinterpret_cast<LPARAM>(this));
  Destroy();
  return static_cast<int>(result);
}

INT_PTR CALLBACK Win32DialogHost::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    auto* host = reinterpret_cast<Win32DialogHost*>(lp);
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    host->hwnd_ = hwnd;
    return host->OnInitDialog();
  }
  auto* host = reinterpret_cast<Win32DialogHost*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!host) return FALSE;
  return host->OnMessage(msg, wp, lp);
}

BOOL Win32DialogHost::OnInitDialog() {
  HWND hwnd = hwnd_;
  dpi_ = WindowDpi(hwnd);
  SetIcons();
  for (const ControlSpec& c : logic_.Template().controls) {
    if (c.kind != ControlKind::kCaptionLabel || c.id == kNoControlId) continue;
    auto label = std::make_unique<CDhsStatic>();
    label->SubclassDlgItem(GetDlgItem(hwnd, c.id));
    captionLabels_[c.id] = std::move(label);
  }
  ScaleCaptions();
  logic_.AttachHost(this);
  logic_.OnInitDialog();
  PlaceDialog(hwnd, owner_);
  if (DialogCreatedHook()) DialogCreatedHook()(*this);
  // Keep a focus the logic chose; otherwise the first tab stop gets it.
  HWND focus = ::GetFocus();
  return focus && (focus == hwnd || IsChild(hwnd, focus)) ? FALSE : TRUE;
}

INT_PTR Win32DialogHost::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  const bool attached = !destroyed_ && logic_.Host() == this;
  switch (msg) {
    case kMsgRunCalls:
      calls_.RunPending();
      return TRUE;
    case kMsgDeviceEvents:
      if (attached && monitor_) {
        for (const HidEvent& event : monitor_->ReadEvents()) logic_.OnDeviceChange(event);
      }
      return TRUE;
    case WM_DEVICECHANGE:
      if (attached && monitor_ && deviceNotify_) {
        monitor_->ReadEvents();  // the same events, told twice
        const HidEvent event = HidEventFromDeviceChange(wp, lp);
        if (event.kind != HidEventKind::kOther) logic_.OnDeviceChange(event);
      }
      return TRUE;
    case WM_COMMAND:
      if (attached) OnCommandMessage(wp, lp);
      return TRUE;
    case WM_HSCROLL: {
      // Every move by the user; the end of a drag or key press repeats the
      // position it already reported.
      const int id = IdOfWindow(reinterpret_cast<HWND>(lp));
      if (attached && id != kNoControlId && LOWORD(wp) != TB_ENDTRACK) logic_.OnSliderMoved(id);
      return TRUE;
    }
    case WM_TIMER:
      if (attached && timers_.count(static_cast<int>(wp))) logic_.OnTimer(static_cast<int>(wp));
      return TRUE;
    case WM_CLOSE:
      if (attached) {
        logic_.OnCloseRequest();
      } else {
        ::EndDialog(hwnd_, kIdCancel);
      }
      return TRUE;
    case WM_LBUTTONDOWN:
      if (attached) logic_.OnBackgroundPressed();
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      const auto it = captionLabels_.find(static_cast<int>(wp));
      if (it == captionLabels_.end()) return FALSE;
      it->second->DrawItem(*item);
      return TRUE;
    }
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wp));
      // Not handled here: the dialog manager scales the window, its font
      // and its controls to the new DPI itself.
      return FALSE;
    case WM_DESTROY:
      Destroy();
      return FALSE;
    default:
      return FALSE;
  }
}

void Win32DialogHost::SetIcons() {
  HICON big = LoadProgramIcon(SM_CXICON, SM_CYICON, dpi_);
  HICON small = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON, dpi_);
  if (big) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  // The window no longer uses the icons it had.
  if (big && bigIcon_) DestroyIcon(bigIcon_);
  if (small && smallIcon_) DestroyIcon(smallIcon_);
  if (big) bigIcon_ = big;
  if (small) smallIcon_ = small;
}

void Win32DialogHost::ScaleCaptions() {
  if (captionLabels_.empty()) return;
  const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  const int height = CaptionHeightFor(dialogFont, logic_.Template().fontPointSize, dpi_);
  for (auto& [id, label] : captionLabels_) label->SetFontHeight(height);
}

void Win32DialogHost::OnDpiChanged(UINT dpi) {
  if (dpi == 0 || dpi == dpi_) return;
  dpi_ = dpi;
  ScaleCaptions();
  if (toolTip_) SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kToolTipWidthAt96, dpi));
  SetIcons();
}

void Win32DialogHost::OnCommandMessage(WPARAM wp, LPARAM lp) {
  const int id = LOWORD(wp);
  const int code = HIWORD(wp);
  const ControlSpec* control = TemplateControl(id);
  if (!control || lp == 0) {
    // The dialog manager's Enter and Escape, outside a push button.
    if (id == IDOK) logic_.OnEnter(GetFocus());
    if (id == IDCANCEL) logic_.OnEscape();
    return;
  }
  switch (control->kind) {
    case ControlKind::kPushButton:
      if (code == BN_CLICKED) logic_.OnCommand(id);
      break;
    case ControlKind::kComboDropDown:
      if (code == CBN_SELCHANGE) logic_.OnListChoice(id);
      break;
    case ControlKind::kEdit:
      if (code == EN_CHANGE && settingText_ == 0 && control->displayOnly) {
        // Whatever the user did there, the field shows the program's text.
        const auto text = displayTexts_.find(id);
        SetText(id, text == displayTexts_.end() ? std::string() : text->second);
        break;
      }
      if (code == EN_CHANGE && settingText_ == 0) logic_.OnEditChanged(id);
      if (code == EN_KILLFOCUS) logic_.OnEditLostFocus(id);
      break;
    default:
      break;
  }
}

void Win32DialogHost::Destroy() {
  if (destroyed_ || logic_.Host() != this) return;
  destroyed_ = true;
  logic_.OnDestroy();
  WatchDeviceEvents(nullptr);
  for (const auto& [id, set] : timers_) ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
  timers_.clear();
  logic_.AttachHost(nullptr);
  captionLabels_.clear();
}

HWND Win32DialogHost::Item(int id) const { return id == kNoControlId ? nullptr : GetDlgItem(hwnd_, id); }

const ControlSpec* Win32DialogHost::TemplateControl(int id) const {
  if (id == kNoControlId) return nullptr;
  for (const ControlSpec& c : logic_.Template().controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

int Win32DialogHost::IdOfWindow(HWND window) const {
  HWND hwnd = hwnd_;
  while (window && GetParent(window) != hwnd) window = GetParent(window);
  if (!window) return kNoControlId;
  const int id = GetDlgCtrlID(window);
  return TemplateControl(id) ? id : kNoControlId;
}

void Win32DialogHost::SetText(int id, const std::string& text) {
  const ControlSpec* control = TemplateControl(id);
  if (control && control->displayOnly) displayTexts_[id] = text;
  ++settingText_;
  SetWindowTextW(Item(id), Utf8ToWide(text).c_str());
  --settingText_;
}

std::string Win32DialogHost::GetText(int id) const {
  HWND item = Item(id);
  if (!item) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return WideToUtf8(text);
}

void Win32DialogHost::Enable(int id, bool enabled) { EnableWindow(Item(id), enabled); }

bool Win32DialogHost::IsEnabled(int id) const {
  HWND item = Item(id);
  return item && IsWindowEnabled(item);
}

void Win32DialogHost::Show(int id, bool visible) { ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE); }

bool Win32DialogHost::IsShown(int id) const {
  HWND item = Item(id);
  return item && (GetWindowLongPtrW(item, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32DialogHost::SetCheck(int id, bool checked) {
  SendDlgItemMessageW(hwnd_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32DialogHost::GetCheck(int id) const {
  return SendDlgItemMessageW(hwnd_, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32DialogHost::SetToolTip(int id, const std::string& text) {
  HWND item = Item(id);
  if (!item) return;
  if (!toolTip_) {
    // No tip to take away: the tooltip window (a pop-up of its own) is made
    // only for the first tip there is.
    if (text.empty()) return;
    toolTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!toolTip_) return;
    SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kToolTipWidthAt96, dpi_));
  }
  std::wstring wide = Utf8ToWide(text);
  // The tool is the control's rectangle on the dialog: statics let the
  // mouse through to the dialog, so the tip watches the dialog.
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = hwnd_;
  info.uId = static_cast<UINT_PTR>(id);
  SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  if (wide.empty()) return;
  GetWindowRect(item, &info.rect);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&info.rect), 2);
  info.lpszText = wide.data();
  SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

HWND Win32DialogHost::ToolTipWindow() const { return toolTip_; }

HFONT Win32DialogHost::CaptionFont(int id) const {
  const auto it = captionLabels_.find(id);
  return it == captionLabels_.end() ? nullptr : it->second->font;
}

void Win32DialogHost::AddListItem(int id, const std::string& text) {
  SendDlgItemMessageW(hwnd_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
}

void Win32DialogHost::SetCurSel(int id, int index) {
  const LRESULT count = SendDlgItemMessageW(hwnd_, id, CB_GETCOUNT, 0, 0);
  // -1 clears the selection and the field; so does any index outside.
  if (index < 0 || index >= count) index = -1;
  ++settingText_;
  SendDlgItemMessageW(hwnd_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  --settingText_;
}

int Win32DialogHost::GetCurSel(int id) const {
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, CB_GETCURSEL, 0, 0));
}

void Win32DialogHost::SetSliderRange(int id, int min, int max) {
  SendDlgItemMessageW(hwnd_, id, TBM_SETRANGEMIN, FALSE, min);
  SendDlgItemMessageW(hwnd_, id, TBM_SETRANGEMAX, TRUE, max);
}

void Win32DialogHost::SetSliderPos(int id, int pos) {
  SendDlgItemMessageW(hwnd_, id, TBM_SETPOS, TRUE, pos);
}

int Win32DialogHost::GetSliderPos(int id) const {
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, TBM_GETPOS, 0, 0));
}

void Win32DialogHost::SetSliderPageSize(int id, int page) {
  SendDlgItemMessageW(hwnd_, id, TBM_SETPAGESIZE, 0, page);
}

int Win32DialogHost::GetSliderPageSize(int id) const {
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, TBM_GETPAGESIZE, 0, 0));
}

void Win32DialogHost::SetProgressPos(int id, int pos) {
  SendDlgItemMessageW(hwnd_, id, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

int Win32DialogHost::GetProgressPos(int id) const {
  return static_cast<int>(SendDlgItemMessageW(hwnd_, id, PBM_GETPOS, 0, 0));
}

void Win32DialogHost::SetCaptionLabel(int id, const std::string& caption, ColorRef backColor) {
  const auto it = captionLabels_.find(id);
  if (it == captionLabels_.end()) return;
  it->second->backColor = backColor;
  it->second->SetCaption(Utf8ToWide(caption));
}

int Win32DialogHost::GetFocus() const { return IdOfWindow(::GetFocus()); }

void Win32DialogHost::SetFocus(int id) {
  if (HWND item = Item(id)) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
}

void Win32DialogHost::SetSel(int id, int start, int end) {
  SendDlgItemMessageW(hwnd_, id, EM_SETSEL, static_cast<WPARAM>(start), end);
  SendDlgItemMessageW(hwnd_, id, EM_SCROLLCARET, 0, 0);
}

void Win32DialogHost::ShowWarning(const std::string& text) {
  MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), ProgramName().c_str(), MB_ICONWARNING | MB_OK);
}

int Win32DialogHost::RunModal(DialogLogic& child) {
  Win32DialogHost host(child, hwnd_);
  return host.RunModal();
}

void Win32DialogHost::EndDialog(int result) {
  if (logic_.Host() == this && !logic_.CanEnd()) return;  // refused while work runs
  ::EndDialog(hwnd_, result);
}

void Win32DialogHost::StartWindowMove() {
  ReleaseCapture();
  SendMessageW(hwnd_, WM_SYSCOMMAND, 0xF012, 0);  // SC_MOVE from the caption
}

void Win32DialogHost::SetTimer(int id, unsigned ms) {
  timers_[id] = true;
  ::SetTimer(hwnd_, static_cast<UINT_PTR>(id), ms, nullptr);
}

void Win32DialogHost::KillTimer(int id) {
  if (timers_.erase(id) == 0) return;
  ::KillTimer(hwnd_, static_cast<UINT_PTR>(id));
}

void Win32DialogHost::WatchDeviceEvents(HidMonitor* monitor) {
  if (monitor_) monitor_->SetEventsWaitingCallback({});
  if (deviceNotify_) {
    SystemHidCalls().UnregisterDeviceNotification(deviceNotify_);
    deviceNotify_ = nullptr;
  }
  monitor_ = monitor;
  if (!monitor_) return;
  HWND hwnd = hwnd_;
  if (windowNotifications_) {
    deviceNotify_ = RegisterWindowForHidNotifications(SystemHidCalls(), hwnd);
    if (deviceNotify_) return;
  }
  monitor_->SetEventsWaitingCallback([hwnd] { PostMessageW(hwnd, kMsgDeviceEvents, 0, 0); });
}

}  // namespace tr58k
