// A dialog described as data: its frame and every control with identifier,
// kind, text and rectangle in dialog units. Dialog units follow the dialog's
// font, so the layout keeps its proportions whatever font the system gives:
// one horizontal unit is a quarter of the font's average character width,
// one vertical unit an eighth of its character height. Measuring the font
// is each host's business; the arithmetic is here.
#pragma once

#include <vector>

namespace tr58k {

enum class ControlKind {
  kPushButton,
  kGroupBox,
  kStatic,          // left-aligned text; mouse clicks fall through to the dialog
  kCaptionLabel,    // a static drawn by the host: one caption centred on a colour
  kEdit,            // single line, bordered, scrolls horizontally
  kComboDropDown,   // drop-down list with an editable field
  kCheckBox,        // toggles itself when clicked
  kTrackbar,        // horizontal, no tick marks
  kProgressBar,     // range 0..100, no text
};

// Identifier of controls the program never addresses.
inline constexpr int kNoControlId = -1;

// Results a dialog ends with.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

struct ControlSpec {
  int id = kNoControlId;
  ControlKind kind = ControlKind::kStatic;
  const char* text = "";  // UTF-8
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  bool digitsOnly = false;                  // edit boxes that take digits only
  bool borderless = false;                  // edit boxes drawn without a frame
  bool groupStart = false;                  // the first control of a group
  // An edit box whose text only the program sets: what the user types,
  // pastes or cuts there does not stay (selecting and copying do).
  bool displayOnly = false;
};

struct DialogTemplate {
  int id = 0;
  const char* caption = "";  // UTF-8
  const char* fontFamily = "";
  int fontPointSize = 8;
  int width = 0, height = 0;  // client area, dialog units
  bool minimizeBox = false;
  std::vector<ControlSpec> controls;  // creation and tab order
  bool modalFrame = false;     // the dialog frame of a window run over another
  bool taskbarButton = false;  // shown in the taskbar even when owned
};

struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// The pixel size of one dialog base unit pair for a font.
class DialogUnits {
 public:
  // averageCharWidth and height of the font, in pixels.
  DialogUnits(int baseX, int baseY);

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }
  // Rounded to the nearest pixel, as the Windows dialog manager does.
  int ToPixelsX(int dlu) const;
  int ToPixelsY(int dlu) const;
  PixelRect ToPixels(int x, int y, int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

}  // namespace tr58k
