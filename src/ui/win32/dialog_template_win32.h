// A DialogTemplate as the in-memory DLGTEMPLATEEX that DialogBoxIndirectParamW
// takes: the frame, then one DLGITEMTEMPLATEEX per control on a DWORD
// boundary, coordinates in dialog units, the font "MS Shell Dlg" at the
// template's point size (DS_SETFONT | DS_SHELLFONT).
#pragma once

#include <windows.h>

#include <vector>

#include "ui/dialog_template.h"

namespace tr58k {

// Window class and style the host gives each kind of control.
struct Win32ControlClass {
  const wchar_t* className;  // registered name; the predefined ones as their atoms below
  WORD atom;                 // 0x0080 Button ... 0x0085 ComboBox; 0 when named
  DWORD style;
};
Win32ControlClass ControlClassOf(const ControlSpec& control);

// Dialog style: modal frame, caption, system menu, centred, shell font.
DWORD DialogStyleOf(const DialogTemplate& tmpl);

// The whole template; the vector's data is DWORD-aligned. Never fails.
std::vector<WORD> BuildDialogTemplateEx(const DialogTemplate& tmpl);

}  // namespace tr58k
