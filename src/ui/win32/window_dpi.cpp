#include "ui/win32/window_dpi.h"

namespace tr58k {

namespace {

template <typename F>
F User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

}  // namespace

const DpiFunctions& SystemDpiFunctions() {
  static const DpiFunctions functions{
      User32Function<decltype(DpiFunctions::getDpiForWindow)>("GetDpiForWindow"),
      User32Function<decltype(DpiFunctions::getSystemMetricsForDpi)>("GetSystemMetricsForDpi"),
  };
  return functions;
}

UINT WindowDpi(HWND window, const DpiFunctions& functions) {
  if (functions.getDpiForWindow && window) {
    if (const UINT dpi = functions.getDpiForWindow(window)) return dpi;
  }
  return ScreenDpi();
}

int SystemMetricForDpi(int index, UINT dpi, const DpiFunctions& functions) {
  if (functions.getSystemMetricsForDpi) return functions.getSystemMetricsForDpi(index, dpi);
  return GetSystemMetrics(index);
}

int ScaleForDpi(int pixelsAt96, UINT dpi) {
  return MulDiv(pixelsAt96, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}

}  // namespace tr58k
