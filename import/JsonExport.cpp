#include "import/JsonExport.h"

namespace {

bool forbiddenInFileName(QChar c) {
    return c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c);
}

} // namespace

QString exportFileName(const QDate& date, const QString& number) {
    QString cleaned = number;
    for (QChar& c : cleaned)
        if (forbiddenInFileName(c))
            c = u'_';
    const QString day = date.isNull() ? QString() : date.toString(QStringLiteral("yyyy-MM-dd"));
    return day + QStringLiteral("_id_") + cleaned + QStringLiteral(".json");
}

QByteArray exportFileContent(std::string_view jsonUtf8) {
    QByteArray bytes("\xEF\xBB\xBF");
    bytes.append(jsonUtf8.data(), static_cast<qsizetype>(jsonUtf8.size()));
    bytes.append("\r\n");
    return bytes;
}
