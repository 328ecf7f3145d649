#pragma once

#include <string_view>

// Letter case of names that are ASCII by definition (SQL parameters and
// columns, HTTP header names, charset names), independent of the locale.
inline char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool asciiIEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}
