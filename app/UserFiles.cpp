#include "app/UserFiles.h"

#include "app/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifdef _WIN32
#include <shlobj.h>
#endif

QString perUserFolder() {
#if defined(_WIN32)
    // The folder the shell reports for the user's roaming application data.
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)))
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
#elif defined(__APPLE__)
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QString() : home + QStringLiteral("/Library/Application Support");
#else
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? QString() : home + QStringLiteral("/.config");
#endif
}

QString perUserFile(const QString& fileName) {
    const QString folder = perUserFolder();
    return folder.isEmpty() ? fileName : QDir(folder).filePath(fileName);
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("Nu se poate crea folderul %1").arg(QDir::toNativeSeparators(folder)));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw AppError(QStringLiteral("Nu se poate scrie fisierul %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
}
