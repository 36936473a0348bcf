// A dialog described as data: its frame and every control with identifier,
// kind, text and rectangle in dialog units. Dialog units follow the dialog's
// font, so the layout keeps its proportions whatever font the system gives:
// one horizontal unit is a quarter of the font's average character width,
// one vertical unit an eighth of its character height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <vector>

namespace tr58k {

enum class ControlKind {
  kPushButton,
  kGroupBox,
  kStatic,          // left-aligned text; mouse clicks fall through to the dialog
  kEdit,            // single line, bordered, scrolls horizontally
  kComboDropDown,   // drop-down list with an editable field
  kCheckBox,        // toggles itself when clicked
  kTrackbar,        // horizontal, no tick marks
  kProgressBar,     // range 0..100, no text
};

// Identifier of controls the program never addresses.
inline constexpr int kNoControlId = -1;

struct ControlSpec {
  int id = kNoControlId;
  ControlKind kind = ControlKind::kStatic;
  const char* text = "";  // UTF-8
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  bool digitsOnly = false;                  // edit boxes that take digits only
};

struct DialogTemplate {
  int id = 0;
  const char* caption = "";  // UTF-8
  const char* fontFamily = "";
  int fontPointSize = 8;
  int width = 0, height = 0;  // client area, dialog units
  bool minimizeBox = false;
  std::vector<ControlSpec> controls;  // creation and tab order
};

// The pixel size of one dialog base unit pair for a font.
class DialogUnits {
 public:
  // averageCharWidth and height of the font, in pixels.
  DialogUnits(int baseX, int baseY);
  static DialogUnits ForFont(const QFont& font);

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }
  // Rounded to the nearest pixel, as the Windows dialog manager does.
  int ToPixelsX(int dlu) const;
  int ToPixelsY(int dlu) const;
  QRect ToPixels(int x, int y, int width, int height) const;
  QSize ToPixels(int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

// The font a template asks for, with a sans-serif fallback when the family
// is not installed (it never is on Linux: the Windows "MS Shell Dlg").
QFont DialogFont(const DialogTemplate& tmpl);

}  // namespace tr58k
