#include "app/win32/win32_app_host.h"

#include <windows.h>

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

}  // namespace

int Win32AppHost::RunMainWindow(CUpdaterDlg& dlg, SimulatedMouse* simulated, const AppOptions&) {
  HHOOK hook = nullptr;
  if (simulated) {
    g_cableMouse = simulated;
    hook = SetWindowsHookExW(WH_MSGFILTER, &CableShortcutHook, nullptr, GetCurrentThreadId());
  }
  Win32DialogHost host(dlg);
  const int result = host.RunModal();
  if (hook) UnhookWindowsHookEx(hook);
  g_cableMouse = nullptr;
  return result;
}

}  // namespace tr58k
