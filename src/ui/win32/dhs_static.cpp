#include "ui/win32/dhs_static.h"

#include <commctrl.h>

#include "ui/win32/window_dpi.h"

namespace tr58k {

namespace {

HFONT MakeCaptionFont(int height) {
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, FF_SWISS, L"Arial");
}

// The cell height of `font` with its height set to `points` at `dpi`; 0
// when it cannot be made.
int FontHeightAt(LOGFONTW font, int points, UINT dpi) {
  font.lfHeight = -MulDiv(points, static_cast<int>(dpi), 72);
  HFONT made = CreateFontIndirectW(&font);
  if (!made) return 0;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, made);
  TEXTMETRICW metrics{};
  const bool measured = GetTextMetricsW(screen, &metrics) != FALSE;
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  DeleteObject(made);
  return measured ? metrics.tmHeight : 0;
}

}  // namespace

int CaptionHeightFor(HFONT dialogFont, int pointSize, UINT dpi) {
  if (dpi == kDefaultDpi) return kCaptionHeightAt96;
  LOGFONTW font{};
  if (dialogFont && GetObjectW(dialogFont, sizeof(font), &font) == sizeof(font)) {
    const int at96 = FontHeightAt(font, pointSize, kDefaultDpi);
    const int atDpi = FontHeightAt(font, pointSize, dpi);
    if (at96 > 0 && atDpi > 0) return MulDiv(kCaptionHeightAt96, atDpi, at96);
  }
  return ScaleForDpi(kCaptionHeightAt96, dpi);
}

CDhsStatic::CDhsStatic() : font(MakeCaptionFont(kCaptionHeightAt96)) {}

CDhsStatic::~CDhsStatic() {
  if (hwnd_) RemoveWindowSubclass(hwnd_, &CDhsStatic::SubclassProc, 1);
  if (font) DeleteObject(font);
}

void CDhsStatic::SubclassDlgItem(HWND control) {
  hwnd_ = control;
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  SetWindowLongPtrW(control, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW);
  SetWindowSubclass(control, &CDhsStatic::SubclassProc, 1, 0);
}

void CDhsStatic::SetFontHeight(int height) {
  if (height <= 0 || height == height_) return;
  HFONT scaled = MakeCaptionFont(height);
  if (!scaled) return;  // keep the font there is
  if (font) DeleteObject(font);
  font = scaled;
  height_ = height;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK CDhsStatic::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR) {
  // DrawItem paints every pixel: nothing to erase first.
  if (msg == WM_ERASEBKGND) return 0;
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void CDhsStatic::SetCaption(const std::wstring& text) {
  if (texts.empty()) {
    texts.push_back(text);
  } else {
    texts[0] = text;
  }
  currentIndex = 0;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CDhsStatic::DrawItem(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  const RECT rect = item.rcItem;
  HBRUSH brush = CreateSolidBrush(backColor);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
  if (currentIndex < 0 || currentIndex >= static_cast<int>(texts.size())) return;
  const std::wstring& caption = texts[static_cast<size_t>(currentIndex)];
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, textColor);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  // Halves truncated toward zero, as integer division does.
  const int x = rect.left + (rect.right - rect.left - size.cx) / 2;
  const int y = rect.top + (rect.bottom - rect.top - size.cy) / 2;
  TextOutW(dc, x, y, caption.c_str(), static_cast<int>(caption.size()));
  SelectObject(dc, old);
}

}  // namespace tr58k
