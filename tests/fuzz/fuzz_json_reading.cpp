// The SAMO client's JSON reading over any bytes: it agrees with nlohmann's
// strict parser on what is one JSON value, reports the value's kind, finds
// every top-level member, and the count conversion takes exactly the decimal
// integers of the 32-bit range.
#include "FuzzCheck.h"
#include "app/AppError.h"
#include "samo/JsonReading.h"

#include <charconv>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace {

using nlohmann::json;
using Kind = JsonTopValue::Kind;

Kind kindOf(const json& value) {
    switch (value.type()) {
    case json::value_t::object:
        return Kind::Object;
    case json::value_t::array:
        return Kind::Array;
    case json::value_t::string:
        return Kind::String;
    case json::value_t::boolean:
        return Kind::Boolean;
    case json::value_t::null:
        return Kind::Null;
    default:
        return Kind::Number;
    }
}

// toInt32 returns a value exactly for an optional sign and decimal digits
// within the signed 32-bit range, and otherwise fails with its message.
void checkInt32(const std::string& text) {
    const size_t digits = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    bool decimal = text.size() > digits;
    for (size_t i = digits; i < text.size(); ++i)
        decimal = decimal && text[i] >= '0' && text[i] <= '9';
    long long expected = 0;
    bool inRange = false;
    if (decimal) {
        const char* first = text.data() + (text[0] == '+' ? 1 : 0);
        const auto [end, error] = std::from_chars(first, text.data() + text.size(), expected);
        inRange = error == std::errc() && expected >= -2147483648LL && expected <= 2147483647LL;
    }
    try {
        const int value = toInt32(text);
        FUZZ_CHECK(inRange && value == expected);
    } catch (const AppError& e) {
        FUZZ_CHECK(!inRange);
        // what() ends at a NUL that the text may hold ("\u0000" in a JSON string).
        const std::string message = "'" + text + "' is not a valid integer value";
        FUZZ_CHECK(std::string(e.what()) == message.substr(0, message.find('\0')));
    }
}

// How often each top-level key occurs: nlohmann keeps the last of duplicates,
// the reader the first, so only keys occurring once are compared.
struct TopKeys : nlohmann::json_sax<json> {
    std::map<std::string, int> counts;
    int depth = 0;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth > 0; }
    bool key(string_t& k) override {
        if (depth == 1)
            ++counts[k];
        return true;
    }
    bool end_object() override { return --depth >= 0; }
    bool start_array(std::size_t) override { return ++depth > 0; }
    bool end_array() override { return --depth >= 0; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkInt32(text);
    const std::optional<JsonTopValue> value = readJson(text);
    FUZZ_CHECK(value.has_value() == json::accept(text));
    if (!value)
        return 0;
    const json parsed = json::parse(text);
    FUZZ_CHECK(value->kind() == kindOf(parsed));
    bool typecast = false;
    try {
        value->requireObject();
    } catch (const AppError& e) {
        typecast = std::string(e.what()) == "Invalid class typecast";
    }
    FUZZ_CHECK(typecast == !parsed.is_object());
    if (!parsed.is_object()) {
        FUZZ_CHECK(!value->memberText("listItemsCount").has_value());
        return 0;
    }
    TopKeys keys;
    json::sax_parse(text, &keys);
    for (const auto& [key, member] : parsed.items()) {
        const std::optional<std::string> memberText = value->memberText(key);
        FUZZ_CHECK(memberText.has_value());
        checkInt32(*memberText);
        if (keys.counts[key] != 1)
            continue;
        if (member.is_structured())
            FUZZ_CHECK(memberText->empty());
        else if (member.is_string())
            FUZZ_CHECK(*memberText == member.get<std::string>());
        else if (!member.is_number())
            FUZZ_CHECK(*memberText == member.dump()); // true, false, null
    }
    return 0;
}
