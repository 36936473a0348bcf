// The DPI a window is shown at, on every Windows the program runs on. The
// program is per-monitor aware where Windows knows how (Windows 10 1703 and
// later: each window at its monitor's scale, WM_DPICHANGED when it moves to
// another) and system aware before that; the functions that tell a
// window's own DPI are looked up at run time, so the program still starts
// on Windows 7 and 8.
#pragma once

#include <windows.h>

namespace tr58k {

inline constexpr UINT kDefaultDpi = 96;

// The user32 functions newer than Windows 7 that the program uses; nullptr
// where the system has none.
struct DpiFunctions {
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;             // Windows 10 1607
  int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;  // Windows 10 1607
};
// This system's, looked up once.
const DpiFunctions& SystemDpiFunctions();

// The window's DPI: GetDpiForWindow where there is one, else the screen's
// (the system DPI, every window's before per-monitor awareness). Never 0.
UINT WindowDpi(HWND window, const DpiFunctions& functions = SystemDpiFunctions());
// GetSystemMetrics at `dpi` where the system can say, else at the system DPI.
int SystemMetricForDpi(int index, UINT dpi, const DpiFunctions& functions = SystemDpiFunctions());
// A length given in pixels at 96 DPI, at `dpi` (rounded to the nearest).
int ScaleForDpi(int pixelsAt96, UINT dpi);

}  // namespace tr58k
