#pragma once

#include "data/Fields.h"

#include <string_view>

namespace db {

// The program's SQL texts and declared field lists, kept as data in
// data/queries.json and compiled in as a resource.
QueryDef catalogueQuery(std::string_view name);

} // namespace db
