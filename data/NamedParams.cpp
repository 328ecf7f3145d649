#include "data/NamedParams.h"

#include "app/AsciiText.h"

#include <algorithm>
#include <cctype>

namespace db {
namespace {

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// End of a quoted run that starts at `open` (the quote itself); doubled quotes
// stay inside, and backslashes escape when `backslashEscapes`.
size_t skipQuoted(std::string_view sql, size_t open, bool backslashEscapes) {
    const char quote = sql[open];
    size_t i = open + 1;
    while (i < sql.size()) {
        if (backslashEscapes && sql[i] == '\\') {
            i += 2;
            continue;
        }
        if (sql[i] == quote) {
            if (i + 1 < sql.size() && sql[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

size_t skipBlockComment(std::string_view sql, size_t open) {
    int depth = 0;
    size_t i = open;
    while (i < sql.size()) {
        if (sql.compare(i, 2, "/*") == 0) {
            ++depth;
            i += 2;
        } else if (sql.compare(i, 2, "*/") == 0) {
            i += 2;
            if (--depth == 0)
                return i;
        } else {
            ++i;
        }
    }
    return sql.size();
}

// A dollar quote "$tag$" starts at `open`: returns the end of the quoted body,
// or npos when this "$" starts no dollar quote.
size_t skipDollarQuoted(std::string_view sql, size_t open) {
    size_t i = open + 1;
    if (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i])))
        return std::string_view::npos; // "$1" is a placeholder, not a quote
    while (i < sql.size() && isNameChar(sql[i]))
        ++i;
    if (i >= sql.size() || sql[i] != '$')
        return std::string_view::npos;
    const std::string_view tag = sql.substr(open, i - open + 1);
    const size_t close = sql.find(tag, i + 1);
    return close == std::string_view::npos ? sql.size() : close + tag.size();
}

} // namespace

PositionalSql toPositional(std::string_view sql) {
    PositionalSql out;
    out.text.reserve(sql.size());
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        size_t end = i + 1;
        if (c == '\'') {
            const bool escapes =
                i > 0 && (sql[i - 1] == 'E' || sql[i - 1] == 'e') && (i < 2 || !isNameChar(sql[i - 2]));
            end = skipQuoted(sql, i, escapes);
        } else if (c == '"') {
            end = skipQuoted(sql, i, false);
        } else if (c == '-' && sql.compare(i, 2, "--") == 0) {
            end = std::min(sql.find('\n', i), sql.size());
        } else if (c == '/' && sql.compare(i, 2, "/*") == 0) {
            end = skipBlockComment(sql, i);
        } else if (c == '$' && (i == 0 || !isNameChar(sql[i - 1]))) {
            const size_t quoted = skipDollarQuoted(sql, i);
            if (quoted != std::string_view::npos)
                end = quoted;
        } else if (c == ':') {
            if (i + 1 < sql.size() && sql[i + 1] == ':') {
                end = i + 2; // a cast
            } else if (i + 1 < sql.size() && isNameStart(sql[i + 1])) {
                size_t nameEnd = i + 1;
                while (nameEnd < sql.size() && isNameChar(sql[nameEnd]))
                    ++nameEnd;
                const std::string_view name = sql.substr(i + 1, nameEnd - i - 1);
                auto found = std::find_if(out.names.begin(), out.names.end(), [&](const std::string& known) {
                    return asciiIEquals(known, name);
                });
                if (found == out.names.end())
                    found = out.names.insert(out.names.end(), std::string(name));
                out.text += '$';
                out.text += std::to_string(found - out.names.begin() + 1);
                i = nameEnd;
                continue;
            }
        }
        out.text.append(sql.substr(i, end - i));
        i = end;
    }
    return out;
}

} // namespace db
