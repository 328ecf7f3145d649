#include "data/NamedParams.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* sql;
    const char* sent;
    std::vector<std::string> names;
};

class NamedParamsTest : public ::testing::TestWithParam<Case> {};

TEST_P(NamedParamsTest, TranslatesOnlyRealParameters) {
    const Case& c = GetParam();
    const db::PositionalSql out = db::toPositional(c.sql);
    EXPECT_EQ(out.text, c.sent);
    EXPECT_EQ(out.names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NamedParamsTest,
    ::testing::Values(
        Case{"select * from m_firma where nume_firma = :pNumeFirma ;",
             "select * from m_firma where nume_firma = $1 ;",
             {"pNumeFirma"}},
        Case{"select :a, :b, :A", "select $1, $2, $1", {"a", "b"}},
        Case{"select json_factc::json->'clientData'->>'client' from t where d between :pDataIncep and "
             "current_date",
             "select json_factc::json->'clientData'->>'client' from t where d between $1 and current_date",
             {"pDataIncep"}},
        Case{"select :p::json", "select $1::json", {"p"}},
        Case{"select ':x', 'it''s :y', E'\\':z', \":w\" from t",
             "select ':x', 'it''s :y', E'\\':z', \":w\" from t",
             {}},
        Case{"select 1 -- :c\n, :d /* :e /* :f */ */", "select 1 -- :c\n, $1 /* :e /* :f */ */", {"d"}},
        Case{"select $q$ :x $q$, $$:y$$, :z", "select $q$ :x $q$, $$:y$$, $1", {"z"}},
        Case{"select a[1:2], :_p1 from t", "select a[1:2], $1 from t", {"_p1"}},
        Case{"select 'unterminated :x", "select 'unterminated :x", {}}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

} // namespace
