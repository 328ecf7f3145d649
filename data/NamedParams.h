#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace db {

// SQL text with its ":name" parameters turned into "$n" placeholders.
struct PositionalSql {
    std::string text;               // the statement as sent to the server
    std::vector<std::string> names; // names[n-1] is the parameter sent as $n
};

// Replaces every ":name" by "$n" (a name used twice gets the same n). A "::type"
// cast, text inside quoted strings ('...', E'...', $tag$...$tag$) or quoted
// identifiers, and comments (-- and /* */) are left as they are.
PositionalSql toPositional(std::string_view sql);

} // namespace db
