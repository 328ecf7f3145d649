#pragma once

#include <string>
#include <string_view>

// Request bodies of the SAMO API, one line each, values JSON-escaped so that
// a quote or backslash in a credential cannot break the body or add members.
namespace samo {

// {"username": "<user>", "password": "<password>"}; both UTF-8.
std::string authBody(std::string_view user, std::string_view password);

// {"page": <page>, "pageSize": 10}
std::string pageBody(int page);

// The content of a JSON string literal: quote, backslash and control
// characters escaped, everything else (UTF-8 included) as it is.
std::string jsonEscaped(std::string_view text);

} // namespace samo
