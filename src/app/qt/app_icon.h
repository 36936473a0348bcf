// The program's icon: the one the menu entry shows, built into the program.
#pragma once

#include <QIcon>
#include <QString>

namespace tr58k {

// The desktop entry's id, which names the icon too.
QString DesktopEntryId();

// The icon at every size the program carries; a null icon only when the
// program was built without them.
QIcon LoadAppIcon();

}  // namespace tr58k
