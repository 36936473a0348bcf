#include "app/win32/win32_app_host.h"

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "app/win32/window_picture.h"
#include "device/sim/simulated_mouse.h"
#include "ui/win32/win32_dialog_host.h"

namespace tr58k {

namespace {

SimulatedMouse* g_cableMouse = nullptr;

// A modal dialog's own loop hands its messages to this hook before the
// dialog manager sees them: the only place a dialog program sees a key
// meant for the whole window.
LRESULT CALLBACK CableShortcutHook(int code, WPARAM wp, LPARAM lp) {
  auto* msg = reinterpret_cast<MSG*>(lp);
  if (code >= 0 && g_cableMouse && msg->message == WM_KEYDOWN && msg->wParam == 'P' &&
      (GetKeyState(VK_CONTROL) & 0x8000) && (GetKeyState(VK_SHIFT) & 0x8000)) {
    if (g_cableMouse->IsPlugged()) {
      g_cableMouse->Unplug();
    } else {
      g_cableMouse->Plug();
    }
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// The pictures: --screenshot saves the main window once it shows and ends
// the program; --screenshot-update opens the update window, starts an
// update of the simulated mouse, saves the window once the progress bar is
// past half-way, leaves it when the update has ended and ends the program.
struct PictureRun {
  enum class Step { kMainShown, kOpen, kStart, kShoot, kLeave, kQuit, kDone };
  Step step = Step::kMainShown;
  int quietTicks = 0;
  std::string mainPath;
  std::string updatePath;
  CUpdaterDlg* dlg = nullptr;
  Win32DialogHost* main = nullptr;
  std::vector<HWND> dialogs;  // as they were made; gone ones stay, no longer windows
};
PictureRun* g_pictures = nullptr;

HWND UpdateWindow() {
  if (g_pictures->dialogs.size() < 2) return nullptr;
  HWND fw = g_pictures->dialogs.back();
  return IsWindow(fw) && IsWindowVisible(fw) ? fw : nullptr;
}

void CALLBACK PictureTick(HWND, UINT, UINT_PTR, DWORD) {
  PictureRun& run = *g_pictures;
  if (!run.main || !IsWindowVisible(run.main->Hwnd())) return;
  HWND fw = UpdateWindow();
  using Step = PictureRun::Step;
  switch (run.step) {
    case Step::kMainShown:
      // A few ticks for the first paint and the start-up reads.
      if (++run.quietTicks < 10) return;
      if (!run.mainPath.empty()) SaveWindowPicture(run.main->Hwnd(), run.mainPath);
      run.step = run.updatePath.empty() ? Step::kQuit : Step::kOpen;
      return;
    case Step::kOpen:
      // Posted: the modal run starts from its own message, not in here.
      PostMessageW(GetDlgItem(run.main->Hwnd(), ctl::kFirmwareUpdate), BM_CLICK, 0, 0);
      run.step = Step::kStart;
      return;
    case Step::kStart:
      if (!fw) return;
      PostMessageW(GetDlgItem(fw, fwctl::kUpdate), BM_CLICK, 0, 0);
      run.step = Step::kShoot;
      return;
    case Step::kShoot:
      if (!fw || SendDlgItemMessageW(fw, fwctl::kProgress, PBM_GETPOS, 0, 0) < 50) return;
      SaveWindowPicture(fw, run.updatePath);
      run.step = Step::kLeave;
      return;
    case Step::kLeave:
      // The exit button comes back once the update has ended.
      if (!fw || !IsWindowEnabled(GetDlgItem(fw, fwctl::kExit))) return;
      PostMessageW(GetDlgItem(fw, fwctl::kExit), BM_CLICK, 0, 0);
      run.step = Step::kQuit;
      return;
    case Step::kQuit:
      if (fw || run.dlg->FirmwareUpdateRunning()) return;
      run.step = Step::kDone;
      run.main->EndDialog(kIdCancel);
      return;
    case Step::kDone:
      return;
  }
}

}  // namespace

int Win32AppHost::RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated, const AppOptions& options) {
  HHOOK hook = nullptr;
  if (simulated) {
    g_cableMouse = simulated;
    hook = SetWindowsHookExW(WH_MSGFILTER, &CableShortcutHook, nullptr, GetCurrentThreadId());
  }
  PictureRun pictures;
  UINT_PTR pictureTimer = 0;
  pictures.mainPath = options.screenshotPath;
  if (simulated) pictures.updatePath = options.updateScreenshotPath;
  if (!pictures.mainPath.empty() || !pictures.updatePath.empty()) {
    pictures.dlg = &dlg;
    g_pictures = &pictures;
    Win32DialogHost::SetDialogCreatedHook([](Win32DialogHost& host) {
      if (!g_pictures->main) g_pictures->main = &host;
      g_pictures->dialogs.push_back(host.Hwnd());
    });
    pictureTimer = ::SetTimer(nullptr, 0, 100, &PictureTick);
  }
  Win32DialogHost host(dlg);
  if (!simulated) host.UseWindowDeviceNotifications();
  const int result = host.RunModal();
  if (pictureTimer) {
    ::KillTimer(nullptr, pictureTimer);
    Win32DialogHost::SetDialogCreatedHook({});
    g_pictures = nullptr;
  }
  if (hook) UnhookWindowsHookEx(hook);
  g_cableMouse = nullptr;
  return result;
}

}  // namespace tr58k
