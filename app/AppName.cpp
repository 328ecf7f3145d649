#include "app/AppName.h"

#include <QCoreApplication>

namespace {
QString& pathOverride() {
    static QString path;
    return path;
}
} // namespace

QString appNameFromPath(const QString& executablePath) {
    QString name = executablePath;
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    name = name.mid(slash + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString applicationName() {
    const QString& path = pathOverride();
    return appNameFromPath(path.isEmpty() ? QCoreApplication::applicationFilePath() : path);
}

void setApplicationPathOverride(const QString& executablePath) {
    pathOverride() = executablePath;
}
