#include "data/Fields.h"

#include <array>
#include <utility>

namespace db {
namespace {

// Built-in type OIDs of PostgreSQL (pg_type.dat); stable across versions.
enum PgOid : unsigned int {
    Bool = 16,
    Name = 19,
    Int8 = 20,
    Int2 = 21,
    Int4 = 23,
    Text = 25,
    Json = 114,
    Float4 = 700,
    Float8 = 701,
    Unknown = 705,
    Bpchar = 1042,
    Varchar = 1043,
    DateOid = 1082,
    Time = 1083,
    TimestampOid = 1114,
    Timestamptz = 1184,
    Interval = 1186,
    Numeric = 1700,
    Uuid = 2950,
    Jsonb = 3802,
    Bytea = 17,
    Oid = 26
};

constexpr std::array pgNames{std::pair{Bool, "boolean"},
                             std::pair{Name, "name"},
                             std::pair{Int8, "bigint"},
                             std::pair{Int2, "smallint"},
                             std::pair{Int4, "integer"},
                             std::pair{Text, "text"},
                             std::pair{Json, "json"},
                             std::pair{Float4, "real"},
                             std::pair{Float8, "double precision"},
                             std::pair{Unknown, "unknown"},
                             std::pair{Bpchar, "char"},
                             std::pair{Varchar, "varchar"},
                             std::pair{DateOid, "date"},
                             std::pair{Time, "time"},
                             std::pair{TimestampOid, "timestamp"},
                             std::pair{Timestamptz, "timestamptz"},
                             std::pair{Interval, "interval"},
                             std::pair{Numeric, "numeric"},
                             std::pair{Uuid, "uuid"},
                             std::pair{Jsonb, "jsonb"},
                             std::pair{Bytea, "bytea"},
                             std::pair{Oid, "oid"}};

} // namespace

bool fieldTypeAccepts(FieldType type, unsigned int oid) {
    switch (type) {
    case FieldType::Text:
    case FieldType::LongText:
        return oid == Text || oid == Varchar || oid == Bpchar || oid == Name || oid == Unknown;
    case FieldType::Integer:
        return oid == Int2 || oid == Int4;
    case FieldType::Float:
        return oid == Float4 || oid == Float8 || oid == Numeric;
    case FieldType::Boolean:
        return oid == Bool;
    case FieldType::Date:
        return oid == DateOid;
    case FieldType::Timestamp:
        return oid == TimestampOid || oid == Timestamptz;
    }
    return false;
}

const char* fieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::Text:
        return "text";
    case FieldType::LongText:
        return "long text";
    case FieldType::Integer:
        return "integer";
    case FieldType::Float:
        return "float";
    case FieldType::Boolean:
        return "boolean";
    case FieldType::Date:
        return "date";
    case FieldType::Timestamp:
        return "timestamp";
    }
    return "?";
}

std::string pgTypeName(unsigned int oid) {
    for (const auto& [known, name] : pgNames)
        if (known == oid)
            return name;
    return "type oid " + std::to_string(oid);
}

} // namespace db
