// The program's icon, drawn rather than loaded so the program needs no
// resource files.
#pragma once

#include <QIcon>

namespace tr58k {

// A mouse in the DPI level colours, at 16, 32 and 48 pixels.
QIcon LoadAppIcon();

}  // namespace tr58k
