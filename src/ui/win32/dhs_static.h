// The caption label on Windows: an owner-drawn static (SS_OWNERDRAW) that
// fills its rectangle with backColor and centres one caption on it in Arial,
// 16 pixels high, on a transparent background. The dialog hands it its
// WM_DRAWITEM; it erases nothing itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/window_host.h"

namespace tr58k {

class CDhsStatic {
 public:
  CDhsStatic();
  ~CDhsStatic();
  CDhsStatic(const CDhsStatic&) = delete;
  CDhsStatic& operator=(const CDhsStatic&) = delete;

  // Makes the dialog's static `control` owner-drawn and swallows its
  // WM_ERASEBKGND. `control` must outlive the label's use of it.
  void SubclassDlgItem(HWND control);
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
};

}  // namespace tr58k
