// The caption label on Windows: an owner-drawn static (SS_OWNERDRAW) that
// fills its rectangle with backColor and centres one caption on it in Arial,
// 16 pixels high at 96 DPI, on a transparent background. The dialog hands it
// its WM_DRAWITEM, and its caption height at other scales; it erases
// nothing itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/win32/window_dpi.h"
#include "ui/window_host.h"

namespace tr58k {

inline constexpr int kCaptionHeightAt96 = 16;

// The caption height in pixels for a dialog laid out in `dialogFont`, a
// font of `pointSize` points, shown at `dpi`: 16 at 96 DPI, and at every
// other scale in the same ratio to the dialog font's height (a font's pixel
// height does not grow exactly with the DPI; the label, sized in dialog
// units, grows with the font). Falls back to 16 scaled by the DPI when the
// font cannot be measured.
int CaptionHeightFor(HFONT dialogFont, int pointSize, UINT dpi);

class CDhsStatic {
 public:
  CDhsStatic();
  ~CDhsStatic();
  CDhsStatic(const CDhsStatic&) = delete;
  CDhsStatic& operator=(const CDhsStatic&) = delete;

  // Makes the dialog's static `control` owner-drawn and swallows its
  // WM_ERASEBKGND. `control` must outlive the label's use of it.
  void SubclassDlgItem(HWND control);
  // Makes the font again `height` pixels high and repaints; keeps the font
  // there is when the new one cannot be made.
  void SetFontHeight(int height);
  // Replaces the caption (or sets the first) and repaints the label.
  void SetCaption(const std::wstring& text);
  // Paints the label into the record's device context.
  void DrawItem(const DRAWITEMSTRUCT& item) const;

  std::vector<std::wstring> texts;
  int currentIndex = -1;
  ColorRef textColor = 0x000000;
  ColorRef backColor = 0xF0F0F0;
  HFONT font = nullptr;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data);
  HWND hwnd_ = nullptr;
  int height_ = kCaptionHeightAt96;  // the font's
};

}  // namespace tr58k
