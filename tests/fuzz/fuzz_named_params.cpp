// The translation of ":name" parameters into "$n" over any text: names come
// out distinct and well-formed, and where the text holds no "$" of its own
// the placeholders are exactly $1..$N and putting the names back gives the
// text again.
#include "FuzzCheck.h"
#include "data/NamedParams.h"

#include <cctype>
#include <set>
#include <string>

namespace {

bool sameIgnoringCase(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

std::string folded(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sql(reinterpret_cast<const char*>(data), size);
    const db::PositionalSql out = db::toPositional(sql);

    std::set<std::string> distinct;
    for (const std::string& name : out.names) {
        FUZZ_CHECK(!name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'));
        for (const char c : name)
            FUZZ_CHECK(std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        FUZZ_CHECK(distinct.insert(folded(name)).second);
    }
    if (sql.find('$') != std::string::npos)
        return 0;

    std::string rebuilt;
    std::string inName; // 1 where rebuilt holds a name put back
    std::set<size_t> used;
    for (size_t i = 0; i < out.text.size();) {
        if (out.text[i] != '$') {
            rebuilt += out.text[i++];
            inName += '0';
            continue;
        }
        size_t end = i + 1;
        size_t n = 0;
        while (end < out.text.size() && std::isdigit(static_cast<unsigned char>(out.text[end])) && n < 100000)
            n = n * 10 + static_cast<size_t>(out.text[end++] - '0');
        FUZZ_CHECK(end > i + 1 && n >= 1 && n <= out.names.size());
        used.insert(n);
        rebuilt += ':' + out.names[n - 1];
        inName += std::string(out.names[n - 1].size() + 1, '1');
        i = end;
    }
    FUZZ_CHECK(used.size() == out.names.size());
    FUZZ_CHECK(rebuilt.size() == sql.size());
    for (size_t i = 0; i < sql.size(); ++i)
        FUZZ_CHECK(rebuilt[i] == sql[i] || (inName[i] == '1' && sameIgnoringCase(rebuilt[i], sql[i])));
    return 0;
}
