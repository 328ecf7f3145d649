#include "import/JournalColumns.h"

#include "app/AppError.h"

#include <QFile>
#include <nlohmann/json.hpp>

namespace {

ColumnFormat parseFormat(const std::string& name) {
    if (name == "text")
        return ColumnFormat::Text;
    if (name == "date")
        return ColumnFormat::Date;
    if (name == "timestamp")
        return ColumnFormat::Timestamp;
    throw AppError("journal_grid.json: unknown format '" + name + "'");
}

std::vector<JournalColumn> loadColumns() {
    QFile file(QStringLiteral(":/wimport/journal_grid.json"));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError("journal_grid.json: " + file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    const nlohmann::json grid = nlohmann::json::parse(bytes.begin(), bytes.end());
    std::vector<JournalColumn> columns;
    for (const auto& column : grid.at("columns")) {
        columns.push_back(JournalColumn{column.at("field").get<std::string>(),
                                        QString::fromStdString(column.at("caption").get<std::string>()),
                                        column.at("width").get<int>(),
                                        parseFormat(column.value("format", std::string("text")))});
    }
    return columns;
}

} // namespace

const std::vector<JournalColumn>& journalColumns() {
    static const std::vector<JournalColumn> columns = loadColumns();
    return columns;
}

QString displayText(std::string_view raw, bool isNull, ColumnFormat format) {
    if (isNull)
        return {};
    // The connection asks for DateStyle ISO: "2026-05-11" and "2026-05-11 10:20:30.123456".
    switch (format) {
    case ColumnFormat::Date:
        raw = raw.substr(0, 10);
        break;
    case ColumnFormat::Timestamp:
        raw = raw.substr(0, 19);
        break;
    case ColumnFormat::Text:
        break;
    }
    return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
}
