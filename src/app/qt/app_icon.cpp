#include "app/qt/app_icon.h"

#include <QFile>

namespace tr58k {

QString DesktopEntryId() { return QStringLiteral(TR58K_WINDOW_ICON_ID); }

QIcon LoadAppIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString path = QStringLiteral(":/icons/%1x%1/apps/%2.png").arg(size).arg(DesktopEntryId());
    if (QFile::exists(path)) icon.addFile(path, QSize(size, size));
  }
  return icon;
}

}  // namespace tr58k
