#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

// What the SAMO client reads from an answer: the kind of its one JSON value
// and, for an object, the text of each top-level member. Nested values are
// scanned but never stored, so a 20 MB page costs no more than its top level.
class JsonTopValue {
public:
    enum class Kind { Object, Array, String, Number, Boolean, Null };

    Kind kind() const { return kind_; }
    // Throws AppError("Invalid class typecast") unless the value is an object.
    void requireObject() const;
    // The text of a top-level member, found by exact name (the first one of
    // duplicates): a string's content, a number's literal as written,
    // "true", "false" or "null", and empty for an object or an array.
    // std::nullopt when absent or when the value is not an object.
    std::optional<std::string> memberText(const std::string& name) const;

private:
    friend class JsonTopReader;
    Kind kind_ = Kind::Null;
    std::unordered_map<std::string, std::string> members_;
};

// The text's one JSON value; std::nullopt for "no value": empty text, a
// syntax error or further text after the value. A leading UTF-8 byte-order
// mark and JSON blanks around the value are ignored.
std::optional<JsonTopValue> readJson(std::string_view text);

// An optional sign and decimal digits within the signed 32-bit range;
// anything else throws AppError("'" + text + "' is not a valid integer value").
int toInt32(const std::string& text);
