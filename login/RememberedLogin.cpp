#include "login/RememberedLogin.h"

#include "app/AppError.h"
#include "app/UserFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString fileName = QStringLiteral("QorNelvo.json");

AppError unreadable(const QString& path, const QString& reason) {
    return AppError(
        QStringLiteral("Fisierul %1 nu poate fi citit: %2").arg(QDir::toNativeSeparators(path), reason));
}

} // namespace

QString rememberedLoginPath() {
    return perUserFile(fileName);
}

std::optional<RememberedLogin> loadRememberedLogin(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return std::nullopt;
    if (info.isDir())
        throw unreadable(path, QStringLiteral("este un folder"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(path, file.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw unreadable(path, parseError.errorString());
    const QJsonObject root = document.object();
    if (!document.isObject() || !root.value("company").isString() || !root.value("username").isString())
        throw unreadable(path, QStringLiteral("continut necunoscut"));
    return RememberedLogin{root.value("company").toString().left(RememberedLogin::maxLength),
                           root.value("username").toString().left(RememberedLogin::maxLength)};
}

void storeRememberedLogin(const QString& path, const RememberedLogin& login) {
    const QJsonObject root{{"company", login.company.left(RememberedLogin::maxLength)},
                           {"username", login.username.left(RememberedLogin::maxLength)}};
    writeFileAtomically(path, QJsonDocument(root).toJson(QJsonDocument::Indented));
}
