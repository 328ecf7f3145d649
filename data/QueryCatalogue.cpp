#include "data/QueryCatalogue.h"

#include "app/AppError.h"

#include <QFile>
#include <nlohmann/json.hpp>

namespace db {
namespace {

FieldType parseType(const std::string& name) {
    static const std::pair<const char*, FieldType> types[] = {
        {"text", FieldType::Text},          {"longtext", FieldType::LongText},
        {"integer", FieldType::Integer},    {"float", FieldType::Float},
        {"boolean", FieldType::Boolean},    {"date", FieldType::Date},
        {"timestamp", FieldType::Timestamp}};
    for (const auto& [known, type] : types)
        if (name == known)
            return type;
    throw AppError("queries.json: unknown field type '" + name + "'");
}

const nlohmann::json& catalogue() {
    static const nlohmann::json parsed = [] {
        QFile file(QStringLiteral(":/wimport/queries.json"));
        if (!file.open(QIODevice::ReadOnly))
            throw AppError("queries.json: " + file.errorString().toStdString());
        const QByteArray bytes = file.readAll();
        return nlohmann::json::parse(bytes.begin(), bytes.end());
    }();
    return parsed;
}

} // namespace

QueryDef catalogueQuery(std::string_view name) {
    const nlohmann::json& all = catalogue();
    const auto entry = all.find(name);
    if (entry == all.end())
        throw AppError("queries.json: no query '" + std::string(name) + "'");
    QueryDef def{std::string(name), entry->at("sql").get<std::string>(), {}};
    for (const auto& field : entry->value("fields", nlohmann::json::array())) {
        def.fields.push_back(FieldDef{field.at("name").get<std::string>(),
                                      parseType(field.at("type").get<std::string>()), field.value("size", 0),
                                      field.value("required", false), field.value("label", std::string()),
                                      field.value("readOnly", false)});
    }
    return def;
}

} // namespace db
