#include "ui/win32/dialog_template_win32.h"

#include <commctrl.h>

#include "ui/win32/utf16.h"

namespace tr58k {

namespace {

// Appends to a WORD stream; DWORDs and strings in the layout the dialog
// manager reads (little-endian, strings NUL-terminated UTF-16).
class TemplateWriter {
 public:
  explicit TemplateWriter(std::vector<WORD>& out) : out_(out) {}
  void Word(WORD w) { out_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(const std::wstring& s) {
    for (wchar_t c : s) Word(static_cast<WORD>(c));
    Word(0);
  }
  void AlignDword() {
    if (out_.size() % 2 != 0) Word(0);
  }

 private:
  std::vector<WORD>& out_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

}  // namespace

Win32ControlClass ControlClassOf(const ControlSpec& c) {
  const DWORD child = WS_CHILD | WS_VISIBLE | (c.groupStart ? WS_GROUP : 0);
  switch (c.kind) {
    case ControlKind::kPushButton:
      return {L"Button", kButtonAtom, child | WS_TABSTOP | BS_PUSHBUTTON};
    case ControlKind::kGroupBox:
      return {L"Button", kButtonAtom, child | BS_GROUPBOX};
    case ControlKind::kStatic:
    case ControlKind::kCaptionLabel:
      // No SS_NOTIFY: clicks fall through to the dialog. A caption label is
      // made owner-drawn by the label itself once it is attached.
      return {L"Static", kStaticAtom, child | SS_LEFT};
    case ControlKind::kEdit:
      return {L"Edit", kEditAtom,
              child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | (c.digitsOnly ? ES_NUMBER : 0) |
                  (c.borderless ? 0 : WS_BORDER)};
    case ControlKind::kComboDropDown:
      // The list scrolls; the field does not scroll past its width.
      return {L"ComboBox", kComboBoxAtom, child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN};
    case ControlKind::kCheckBox:
      return {L"Button", kButtonAtom, child | WS_TABSTOP | BS_AUTOCHECKBOX};
    case ControlKind::kTrackbar:
      return {TRACKBAR_CLASSW, 0, child | WS_TABSTOP | TBS_HORZ | TBS_NOTICKS};
    case ControlKind::kProgressBar:
      return {PROGRESS_CLASSW, 0, child | WS_BORDER};
  }
  return {L"Static", kStaticAtom, child};
}

DWORD DialogStyleOf(const DialogTemplate& tmpl) {
  // No DS_CENTER: the host places the window itself once it is made.
  return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_SHELLFONT |
         (tmpl.modalFrame ? DS_MODALFRAME : 0) | (tmpl.minimizeBox ? WS_MINIMIZEBOX : 0);
}

DWORD DialogExStyleOf(const DialogTemplate& tmpl) { return tmpl.taskbarButton ? WS_EX_APPWINDOW : 0; }

std::vector<WORD> BuildDialogTemplateEx(const DialogTemplate& tmpl) {
  std::vector<WORD> out;
  TemplateWriter w(out);
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature: the extended template
  w.Dword(0);      // helpID
  w.Dword(DialogExStyleOf(tmpl));
  w.Dword(DialogStyleOf(tmpl));
  w.Word(static_cast<WORD>(tmpl.controls.size()));
  w.Word(0);
  w.Word(0);
  w.Word(static_cast<WORD>(tmpl.width));
  w.Word(static_cast<WORD>(tmpl.height));
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.String(Utf8ToWide(tmpl.caption));
  w.Word(static_cast<WORD>(tmpl.fontPointSize));
  w.Word(FW_NORMAL);
  w.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
  // The shell's dialog font whatever the template names: DS_SHELLFONT maps
  // it to the system's own.
  w.String(L"MS Shell Dlg");
  for (const ControlSpec& c : tmpl.controls) {
    w.AlignDword();
    const Win32ControlClass cls = ControlClassOf(c);
    w.Dword(0);  // helpID
    w.Dword(0);  // exStyle
    w.Dword(cls.style);
    w.Word(static_cast<WORD>(c.x));
    w.Word(static_cast<WORD>(c.y));
    w.Word(static_cast<WORD>(c.width));
    w.Word(static_cast<WORD>(c.height));
    w.Dword(static_cast<DWORD>(c.id == kNoControlId ? 0xFFFF : c.id));
    if (cls.atom != 0) {
      w.Word(0xFFFF);
      w.Word(cls.atom);
    } else {
      w.String(cls.className);
    }
    w.String(Utf8ToWide(c.text));
    w.Word(0);  // no creation data
  }
  return out;
}

}  // namespace tr58k
