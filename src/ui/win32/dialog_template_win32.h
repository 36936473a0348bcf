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

// The frame's style: pop-up with caption and system menu in the shell's
// dialog font; the modal frame and the minimise box as the template asks.
DWORD DialogStyleOf(const DialogTemplate& tmpl);
// The frame's extended style: WS_EX_APPWINDOW when the template asks for a
// taskbar button, else none.
DWORD DialogExStyleOf(const DialogTemplate& tmpl);

// The whole template; the vector's data is DWORD-aligned. Never fails.
std::vector<WORD> BuildDialogTemplateEx(const DialogTemplate& tmpl);

}  // namespace tr58k
