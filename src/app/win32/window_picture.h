// A window as it shows on the screen, frame and title bar included, saved
// as a 24-bit BMP file (the pictures' scripts turn it into PNG).
#pragma once

#include <windows.h>

#include <string>

namespace tr58k {

// Returns false when the window cannot be read or the file not written.
bool SaveWindowPicture(HWND window, const std::string& path);

}  // namespace tr58k
