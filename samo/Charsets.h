#pragma once

#include <string>
#include <string_view>

// Response texts arrive in the charset their Content-Type names and are used
// as UTF-8 everywhere else. The single-byte charsets are our own tables, so
// decoding does not depend on what the platform happens to ship.
namespace charsets {

// The charset parameter of a Content-Type value, unquoted and trimmed; empty
// when the value names none.
std::string charsetOfContentType(std::string_view contentType);

// The bytes decoded from the named charset (case-insensitive; empty means
// UTF-8) to UTF-8. A leading UTF-8 byte-order mark is a signature, not text,
// and is dropped. Throws AppError for an unknown charset ("Setul de caractere
// necunoscut: <name>") and for bytes the charset does not define ("Raspunsul
// nu este <charset> valid"); nothing is ever replaced silently.
std::string decodeToUtf8(std::string bytes, std::string_view charset);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

} // namespace charsets
