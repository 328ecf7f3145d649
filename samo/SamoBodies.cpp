#include "samo/SamoBodies.h"

namespace samo {

namespace {
constexpr int pageSize = 10;
}

std::string jsonEscaped(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string authBody(std::string_view user, std::string_view password) {
    return "{\"username\": \"" + jsonEscaped(user) + "\", \"password\": \"" + jsonEscaped(password) + "\"}";
}

std::string pageBody(int page) {
    return "{\"page\": " + std::to_string(page) + ", \"pageSize\": " + std::to_string(pageSize) + "}";
}

} // namespace samo
