#pragma once

#include <string>
#include <vector>

namespace db {

// The types a query declares its fields as; each maps from a fixed set of
// PostgreSQL types (see fieldTypeAccepts).
enum class FieldType { Text, LongText, Integer, Float, Boolean, Date, Timestamp };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::LongText;
    int size = 0;          // text N: at most N characters
    bool required = false; // declared NOT NULL
    std::string label;     // display name, when it differs from the column name
    bool readOnly = false; // computed by the query

    const std::string& displayName() const { return label.empty() ? name : label; }
};

struct QueryDef {
    std::string name;
    std::string sql;
    std::vector<FieldDef> fields;
};

// Whether a result column of this PostgreSQL type reads as the declared type.
bool fieldTypeAccepts(FieldType type, unsigned int pgTypeOid);
const char* fieldTypeName(FieldType type);
// A readable name for a PostgreSQL type, for type-mismatch errors.
std::string pgTypeName(unsigned int pgTypeOid);

} // namespace db
