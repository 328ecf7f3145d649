#include "import/DesktopOpen.h"

#include <QDesktopServices>
#include <QUrl>

void openInDefaultViewer(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
