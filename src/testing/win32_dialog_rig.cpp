#include "testing/win32_dialog_rig.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "ui/win32/utf16.h"
#include "ui/win32/win32_dialog_host.h"

namespace tr58k {

void SendDeviceInterfaceChange(HWND window, WPARAM what, const std::wstring& path) {
  std::vector<uint8_t> bytes(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + path.size() * sizeof(wchar_t));
  auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
  b->dbcc_size = static_cast<DWORD>(bytes.size());
  b->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  std::copy(path.begin(), path.end(), b->dbcc_name);
  SendMessageW(window, WM_DEVICECHANGE, what, reinterpret_cast<LPARAM>(b));
}

Win32DialogRig::Win32DialogRig(DialogLogic& logic, std::function<void(Win32DialogHost&)> onCreated,
                               std::function<void()> onThreadStart)
    : logic_(logic) {
  Win32DialogHost::SetDialogCreatedHook([this, onCreated](Win32DialogHost& host) {
    if (onCreated) onCreated(host);
    std::lock_guard<std::mutex> lock(mutex_);
    dialogs_.push_back(host.Hwnd());
  });
  thread_ = std::thread([this, onThreadStart] {
    if (onThreadStart) onThreadStart();
    Win32DialogHost host(logic_);
    const int result = host.RunModal();
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    result_ = result;
  });
  WaitForDialog(0);
}

Win32DialogRig::~Win32DialogRig() {
  // Innermost first; a dialog whose logic refuses to end is asked again.
  WaitUntil([this] {
    if (Ended()) return true;
    std::vector<HWND> open;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open = dialogs_;
    }
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
      if (IsWindow(*it)) {
        PostMessageW(*it, WM_CLOSE, 0, 0);
        break;
      }
    }
    return false;
  }, 30000);
  if (thread_.joinable()) thread_.join();
  Win32DialogHost::SetDialogCreatedHook({});
}

HWND Win32DialogRig::Dialog(size_t n) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return n < dialogs_.size() ? dialogs_[n] : nullptr;
}

HWND Win32DialogRig::WaitForDialog(size_t n, int timeoutMs) const {
  WaitUntil([&] { return Dialog(n) != nullptr; }, timeoutMs);
  return Dialog(n);
}

bool Win32DialogRig::IsOpen(size_t n) const {
  HWND dialog = Dialog(n);
  return dialog && IsWindow(dialog);
}

bool Win32DialogRig::Ended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ended_;
}

int Win32DialogRig::Result() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return result_;
}

void Win32DialogRig::MoveSlider(HWND dialog, int id, int pos) {
  HWND slider = GetDlgItem(dialog, id);
  SendMessageW(slider, TBM_SETPOS, TRUE, pos);
  SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, pos), reinterpret_cast<LPARAM>(slider));
  SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

void Win32DialogRig::TypeText(HWND dialog, int id, const std::string& text) {
  SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
}

void Win32DialogRig::Choose(HWND dialog, int id, int index) {
  HWND combo = GetDlgItem(dialog, id);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void Win32DialogRig::Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

void Win32DialogRig::ClickLater(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

std::string Win32DialogRig::Text(HWND dialog, int id) const {
  wchar_t buffer[512] = {};
  GetDlgItemTextW(dialog, id, buffer, 512);
  return WideToUtf8(buffer);
}

int Win32DialogRig::SliderPos(HWND dialog, int id) const {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

int Win32DialogRig::CurSel(HWND dialog, int id) const {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

bool Win32DialogRig::Checked(HWND dialog, int id) const {
  return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Win32DialogRig::Enabled(HWND dialog, int id) const { return IsWindowEnabled(GetDlgItem(dialog, id)); }

int Win32DialogRig::ProgressPos(HWND dialog, int id) const {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, PBM_GETPOS, 0, 0));
}

bool Win32DialogRig::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return done();
    Sleep(5);
  }
  return true;
}

}  // namespace tr58k
