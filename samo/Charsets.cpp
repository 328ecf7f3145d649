#include "samo/Charsets.h"

#include "app/AppError.h"
#include "app/AsciiText.h"

#include <array>
#include <cstdint>

namespace charsets {

namespace {

// Code points of the bytes 0x80..0xFF; 0 marks a byte the charset leaves undefined.
using HighHalf = std::array<char16_t, 128>;

// clang-format off
constexpr HighHalf iso8859_2 = {
    0x0080, 0x0081, 0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x0087,
    0x0088, 0x0089, 0x008A, 0x008B, 0x008C, 0x008D, 0x008E, 0x008F,
    0x0090, 0x0091, 0x0092, 0x0093, 0x0094, 0x0095, 0x0096, 0x0097,
    0x0098, 0x0099, 0x009A, 0x009B, 0x009C, 0x009D, 0x009E, 0x009F,
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr HighHalf windows1250 = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr HighHalf windows1252 = {
    0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x017D, 0x0000,
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};
// clang-format on

enum class Kind { Utf8, Ascii, Latin1, Table };

struct Charset {
    const char* name; // the name errors use
    Kind kind;
    const HighHalf* table = nullptr;
};

constexpr Charset utf8{"UTF-8", Kind::Utf8};
constexpr Charset ascii{"US-ASCII", Kind::Ascii};
constexpr Charset latin1{"ISO-8859-1", Kind::Latin1};
constexpr Charset latin2{"ISO-8859-2", Kind::Table, &iso8859_2};
constexpr Charset cp1250{"windows-1250", Kind::Table, &windows1250};
constexpr Charset cp1252{"windows-1252", Kind::Table, &windows1252};

struct Alias {
    std::string_view name;
    const Charset* charset;
};

constexpr Alias aliases[] = {
    {"utf-8", &utf8},          {"utf8", &utf8},        {"us-ascii", &ascii},      {"ascii", &ascii},
    {"iso-8859-1", &latin1},   {"iso8859-1", &latin1}, {"iso_8859-1", &latin1},   {"latin1", &latin1},
    {"iso-8859-2", &latin2},   {"iso8859-2", &latin2}, {"iso_8859-2", &latin2},   {"latin2", &latin2},
    {"windows-1250", &cp1250}, {"cp1250", &cp1250},    {"windows-1252", &cp1252}, {"cp1252", &cp1252},
};

std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

const Charset& charsetNamed(std::string_view name) {
    if (name.empty())
        return utf8;
    for (const Alias& alias : aliases)
        if (asciiIEquals(alias.name, name))
            return *alias.charset;
    throw AppError("Setul de caractere necunoscut: " + std::string(name));
}

[[noreturn]] void invalid(const Charset& charset) {
    throw AppError(std::string("Raspunsul nu este ") + charset.name + " valid");
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

std::string charsetOfContentType(std::string_view contentType) {
    size_t pos = contentType.find(';');
    while (pos != std::string_view::npos) {
        std::string_view rest = contentType.substr(pos + 1);
        const size_t next = rest.find(';');
        std::string_view param = trimmed(rest.substr(0, next));
        pos = next == std::string_view::npos ? next : pos + 1 + next;
        const size_t eq = param.find('=');
        if (eq == std::string_view::npos || !asciiIEquals(trimmed(param.substr(0, eq)), "charset"))
            continue;
        std::string_view value = trimmed(param.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = trimmed(value.substr(1, value.size() - 2));
        return std::string(value);
    }
    return {};
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra = 0;
        char32_t min = 0;
        char32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

std::string decodeToUtf8(std::string bytes, std::string_view charsetName) {
    const Charset& charset = charsetNamed(charsetName);
    switch (charset.kind) {
    case Kind::Utf8:
        if (!isValidUtf8(bytes))
            invalid(charset);
        if (bytes.starts_with("\xEF\xBB\xBF"))
            bytes.erase(0, 3);
        return bytes;
    case Kind::Ascii:
        if (!isAscii(bytes))
            invalid(charset);
        return bytes;
    case Kind::Latin1:
    case Kind::Table:
        break;
    }
    if (isAscii(bytes))
        return bytes; // the common case: nothing to map
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
            continue;
        }
        const char32_t cp = charset.kind == Kind::Latin1 ? b : (*charset.table)[b - 0x80];
        if (cp == 0)
            invalid(charset);
        appendUtf8(out, cp);
    }
    return out;
}

} // namespace charsets
