#include "samo/JsonReading.h"

#include "app/AppError.h"

#include <limits>
#include <nlohmann/json.hpp>

using nlohmann::json;

void JsonTopValue::requireObject() const {
    if (kind_ != Kind::Object)
        throw AppError("Invalid class typecast");
}

std::optional<std::string> JsonTopValue::memberText(const std::string& name) const {
    const auto it = members_.find(name);
    if (it == members_.end())
        return std::nullopt;
    return it->second;
}

// SAX events reduced to the top-level value and its members' texts.
class JsonTopReader {
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    JsonTopValue value;

    bool null() { return scalar(JsonTopValue::Kind::Null, "null"); }
    bool boolean(bool b) { return scalar(JsonTopValue::Kind::Boolean, b ? "true" : "false"); }
    // The lexer hands integers over as values only. Their literal follows
    // from the value: a literal without "-" arrives unsigned, so a signed
    // zero can only have been written "-0".
    bool number_integer(number_integer_t v) {
        return scalar(JsonTopValue::Kind::Number, v == 0 ? std::string("-0") : std::to_string(v));
    }
    bool number_unsigned(number_unsigned_t v) {
        return scalar(JsonTopValue::Kind::Number, std::to_string(v));
    }
    bool number_float(number_float_t, const string_t& literal) {
        return scalar(JsonTopValue::Kind::Number, literal);
    }
    bool string(string_t& s) {
        if (depth_ == 1)
            record(std::move(s));
        else if (depth_ == 0)
            value.kind_ = JsonTopValue::Kind::String;
        return true;
    }
    bool binary(binary_t&) { return true; }
    bool start_object(std::size_t) { return open(JsonTopValue::Kind::Object); }
    bool end_object() { return close(); }
    bool start_array(std::size_t) { return open(JsonTopValue::Kind::Array); }
    bool end_array() { return close(); }
    bool key(string_t& k) {
        if (depth_ == 1)
            key_ = std::move(k);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    bool scalar(JsonTopValue::Kind kind, std::string text) {
        if (depth_ == 1)
            record(std::move(text));
        else if (depth_ == 0)
            value.kind_ = kind;
        return true;
    }
    bool open(JsonTopValue::Kind kind) {
        if (depth_ == 0)
            value.kind_ = kind;
        else if (depth_ == 1)
            record({});
        ++depth_;
        return true;
    }
    bool close() {
        --depth_;
        return true;
    }
    // Only members of a top-level object reach depth 1 with a key; array
    // elements at depth 1 are not members.
    void record(std::string text) {
        if (value.kind_ == JsonTopValue::Kind::Object)
            value.members_.try_emplace(std::move(key_), std::move(text));
    }

    int depth_ = 0;
    std::string key_;
};

std::optional<JsonTopValue> readJson(std::string_view text) {
    JsonTopReader reader;
    // Strict: anything after the value is an error. The lexer skips a leading BOM itself.
    if (!json::sax_parse(text.data(), text.data() + text.size(), &reader, json::input_format_t::json, true))
        return std::nullopt;
    return std::move(reader.value);
}

int toInt32(const std::string& text) {
    const auto invalid = [&text]() { return AppError("'" + text + "' is not a valid integer value"); };
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        throw invalid();
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            throw invalid();
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            throw invalid();
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        throw invalid();
    return static_cast<int>(value);
}
