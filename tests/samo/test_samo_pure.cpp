// The parts of the SAMO client that need no server: the URL rule, JSON
// reading, request bodies and charset decoding.
#include "app/AppError.h"
#include "samo/Charsets.h"
#include "samo/HttpClient.h"
#include "samo/JsonReading.h"
#include "samo/SamoBodies.h"

#include <QStringDecoder>
#include "tests/support/Errors.h"

#include <gtest/gtest.h>

namespace {

TEST(SamoUrl, FollowsTheRule) {
    const struct {
        const char* base;
        const char* url;
    } cases[] = {
        {"http://samo.example:8080/api", "http://samo.example:8080/api/auth"},
        {"http://samo.example:8080/api/", "http://samo.example:8080/api/auth"},
        {" \thttp://samo.example/api/ \r\n", "http://samo.example/api/auth"},
        {"samo.example:8080/api", "http://samo.example:8080/api/auth"},
        {"localhost", "http://localhost/auth"},
        {"HTTPS://samo.example", "HTTPS://samo.example/auth"},
        {"https://samo.example//", "https://samo.example//auth"}, // only one "/" goes
        {"http://h/a?x=1", "http://h/a?x=1/auth"},                // nothing but the rule
    };
    for (const auto& c : cases)
        EXPECT_EQ(samoUrl(QString::fromUtf8(c.base), "auth"), QString::fromUtf8(c.url)) << c.base;
}

TEST(SamoJsonReading, NoValueUnlessExactlyOneValue) {
    for (const char* text : {"", "   ", "{", "{} x", "{}{}", "{\"a\":1,}", "'a'", "\xEF\xBB{}",
                             "{\"a\":\"\xC3\"}", "Internal error", "{\"a\":01}"})
        EXPECT_FALSE(readJson(text).has_value()) << text;
}

TEST(SamoJsonReading, KindsOfTopValues) {
    using Kind = JsonTopValue::Kind;
    const struct {
        const char* text;
        Kind kind;
    } cases[] = {
        {"\xEF\xBB\xBF \r\n\t{\"a\": 1} \r\n\t", Kind::Object},
        {"[{\"token\": \"x\"}]", Kind::Array},
        {"\"token\"", Kind::String},
        {"3", Kind::Number},
        {"true", Kind::Boolean},
        {"null", Kind::Null},
    };
    for (const auto& c : cases) {
        const auto value = readJson(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(value->kind(), c.kind) << c.text;
        EXPECT_EQ(errorOf([&] { value->requireObject(); }),
                  c.kind == Kind::Object ? "<no error>" : "Invalid class typecast")
            << c.text;
        if (c.kind != Kind::Object) {
            EXPECT_FALSE(value->memberText("token").has_value()) << c.text;
        }
    }
}

TEST(SamoJsonReading, MemberTexts) {
    const auto value = readJson(R"({
        "s": "a\"b\\c\u0103", "null": null, "t": true, "f": false,
        "f1": 3.50, "f2": 1e2, "f3": -1.5E+3, "i0": 0, "neg0": -0, "neg": -12, "big": 18446744073709551616,
        "o": {"token": "nested", "x": [1, 2]}, "a": [{"token": "in array"}],
        "dup": "first", "dup": "second", "Token": "other case", "": "empty name"
    })");
    ASSERT_TRUE(value.has_value());
    const std::pair<const char*, const char*> expected[] = {
        {"s", "a\"b\\c\xC4\x83"},
        {"null", "null"},
        {"t", "true"},
        {"f", "false"},
        {"f1", "3.50"},
        {"f2", "1e2"},
        {"f3", "-1.5E+3"},
        {"i0", "0"},
        {"neg0", "-0"},
        {"neg", "-12"},
        {"big", "18446744073709551616"},
        {"o", ""},
        {"a", ""},
        {"dup", "first"},
        {"Token", "other case"},
        {"", "empty name"},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(value->memberText(name), std::optional<std::string>(text)) << name;
    // Only the top level counts, by exact name.
    EXPECT_FALSE(value->memberText("token").has_value());
    EXPECT_FALSE(value->memberText("x").has_value());
}

TEST(SamoJsonReading, ToInt32) {
    const std::pair<const char*, int> valid[] = {
        {"3", 3},
        {"+3", 3},
        {"-0", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, number] : valid)
        EXPECT_EQ(toInt32(text), number) << text;
    for (const char* text : {"3.5", "1e2", "", " 3", "3 ", "-", "+", "0x10", "true", "2147483648",
                             "-2147483649", "99999999999999999999", "3.0", "\xD9\xA3"})
        EXPECT_EQ(errorOf([&] { toInt32(text); }), std::string("'") + text + "' is not a valid integer value")
            << text;
}

TEST(SamoJsonReading, CountAsStringOrFraction) {
    const auto asString = readJson(R"({"listItemsCount": "3"})");
    EXPECT_EQ(toInt32(*asString->memberText("listItemsCount")), 3);
    const auto fraction = readJson(R"({"listItemsCount": 3.5})");
    EXPECT_EQ(errorOf([&] { toInt32(*fraction->memberText("listItemsCount")); }),
              "'3.5' is not a valid integer value");
}

TEST(SamoBodies, ByteForByte) {
    EXPECT_EQ(samo::authBody("ion.popescu", "Parola#2026"),
              R"({"username": "ion.popescu", "password": "Parola#2026"})");
    EXPECT_EQ(samo::authBody("", ""), R"({"username": "", "password": ""})");
    EXPECT_EQ(samo::authBody("a\"b", "c\\d\"}, \"admin\": \"1"),
              R"({"username": "a\"b", "password": "c\\d\"}, \"admin\": \"1"})");
    EXPECT_EQ(samo::authBody("\xC8\x99tefan", "tab\there\nnl\x01\x1f\x7f"),
              "{\"username\": \"\xC8\x99tefan\", \"password\": \"tab\\there\\nnl\\u0001\\u001f\x7f\"}");
    EXPECT_EQ(samo::pageBody(1), R"({"page": 1, "pageSize": 10})");
    EXPECT_EQ(samo::pageBody(1234), R"({"page": 1234, "pageSize": 10})");
}

TEST(SamoBodies, EscapedValuesReadBackAsTyped) {
    const std::string user = "q\"uote\\back/slash\b\f\n\r\t\x02 \xC4\x83";
    const auto value = readJson(samo::authBody(user, "p"));
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->memberText("username"), user);
    EXPECT_EQ(value->memberText("password"), "p");
}

TEST(SamoCharsets, CharsetOfContentType) {
    const std::pair<const char*, const char*> cases[] = {
        {"application/json", ""},
        {"", ""},
        {"application/json; charset=UTF-8", "UTF-8"},
        {"application/json;charset=\"windows-1250\"", "windows-1250"},
        {"text/plain; format=flowed; CHARSET = latin1 ", "latin1"},
        {"application/json; charset=\" iso-8859-2 \"", "iso-8859-2"},
    };
    for (const auto& [contentType, charset] : cases)
        EXPECT_EQ(charsets::charsetOfContentType(contentType), charset) << contentType;
}

TEST(SamoCharsets, Decoding) {
    const struct {
        std::string bytes;
        const char* charset;
        std::string utf8; // or the error text
    } cases[] = {
        {"abc", "", "abc"},
        {"\xEF\xBB\xBF{}", "utf-8", "{}"},
        {"\xC4\x83\xC8\x99\xF0\x9F\x98\x80", "UTF8", "\xC4\x83\xC8\x99\xF0\x9F\x98\x80"},
        {"\xE3\xBA\xFE\xAA\xDE\x80", "Windows-1250", "\xC4\x83\xC5\x9F\xC5\xA3\xC5\x9E\xC5\xA2\xE2\x82\xAC"},
        {"\xE3\xBA\xFE\xAA\xDE", "ISO-8859-2", "\xC4\x83\xC5\x9F\xC5\xA3\xC5\x9E\xC5\xA2"},
        {"\xE9\x80\x9F", "windows-1252", "\xC3\xA9\xE2\x82\xAC\xC5\xB8"},
        {"\xE9\x80", "latin1", "\xC3\xA9\xC2\x80"},
        {"plain", "us-ascii", "plain"},
        {"\x81", "windows-1250", "Raspunsul nu este windows-1250 valid"},
        {"\x8D", "cp1252", "Raspunsul nu este windows-1252 valid"},
        {"\x80", "US-ASCII", "Raspunsul nu este US-ASCII valid"},
        {"ok\xC3", "", "Raspunsul nu este UTF-8 valid"},
        {"\xC0\xAF", "utf-8", "Raspunsul nu este UTF-8 valid"},         // overlong
        {"\xED\xA0\x80", "utf-8", "Raspunsul nu este UTF-8 valid"},     // surrogate
        {"\xF4\x90\x80\x80", "utf-8", "Raspunsul nu este UTF-8 valid"}, // above U+10FFFF
        {"\xE9", "utf-8", "Raspunsul nu este UTF-8 valid"},
        {"x", "koi8-r", "Setul de caractere necunoscut: koi8-r"},
    };
    for (const auto& c : cases) {
        std::string result;
        try {
            result = charsets::decodeToUtf8(c.bytes, c.charset);
        } catch (const AppError& e) {
            result = e.what();
        }
        EXPECT_EQ(result, c.utf8) << c.charset << " " << c.bytes;
    }
}

// Our tables against the platform's converters, where it has them.
TEST(SamoCharsets, TablesAgreeWithThePlatform) {
    for (const char* name : {"ISO-8859-2", "windows-1250", "windows-1252"}) {
        QStringDecoder platform(name);
        if (!platform.isValid())
            GTEST_SKIP() << "no platform converter for " << name;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const std::string byte(1, static_cast<char>(b));
            std::string ours;
            try {
                ours = charsets::decodeToUtf8(byte, name);
            } catch (const AppError&) {
                continue; // undefined in the charset's table
            }
            QStringDecoder decoder(name);
            const QString theirs = decoder(QByteArray(byte.data(), 1));
            EXPECT_EQ(QString::fromStdString(ours), theirs) << name << " byte " << b;
        }
    }
}

} // namespace
