#include "app/AppError.h"
#include "data/Query.h"
#include "data/QueryCatalogue.h"
#include "data/u_dmCon.h"
#include "tests/support/PgFixture.h"

#include <QThread>
#include "tests/support/Errors.h"

#include <gtest/gtest.h>

using db::FieldDef;
using db::FieldType;
using db::SslMode;

namespace {

const PgFixture& pg() {
    return PgFixture::get();
}

// Our backends, as the server sees them.
int ourBackends(const std::string& database) {
    return std::stoi(pg().scalar(pg().tlsPort, "postgres",
                                 "select count(*) from pg_stat_activity where application_name = "
                                 "'wimportfactcmarvo' and datname = '" +
                                     database + "'"));
}

// Backends end shortly after the client says goodbye.
bool settlesTo(const std::string& database, int expected) {
    for (int i = 0; i < 100; ++i) {
        if (ourBackends(database) == expected)
            return true;
        QThread::msleep(20);
    }
    return false;
}

FieldDef field(std::string name, FieldType type, std::string label = {}) {
    FieldDef f;
    f.name = std::move(name);
    f.type = type;
    f.label = std::move(label);
    return f;
}

db::QueryDef def(std::string sql, std::vector<FieldDef> fields = {}) {
    return db::QueryDef{"dsTest", std::move(sql), std::move(fields)};
}

TEST(PgLayer, DisconnectedModeLeavesNoBackendAndKeepsRows) {
    db::Connection directory("conQorMob", pg().qorSettings(pg().tlsPort, "qor_mob", SslMode::Require));
    db::Query query(def("select g as n, 'r' || g as t from generate_series(1, 3) g"), directory);
    query.open();
    EXPECT_TRUE(settlesTo("qor_mob", 0));
    ASSERT_TRUE(query.isOpen());
    EXPECT_EQ(query.rowCount(), 3);
    query.setCurrentRow(2);
    EXPECT_EQ(query.integer("n"), 3);
    EXPECT_EQ(query.text("T"), "r3");
    EXPECT_EQ(directory.pooledSessions(), 0u);
}

TEST(PgLayer, PoolReusesTheSessionUntilRetargeted) {
    db::ConnectionSettings settings = pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require);
    settings.pooling = true;
    db::Connection company("conQor", settings);
    db::Query pid(def("select pg_backend_pid()::text as pid"), company);
    pid.open();
    const QString first = pid.text("pid");
    pid.refresh();
    EXPECT_EQ(pid.text("pid"), first);
    EXPECT_EQ(company.pooledSessions(), 1u);
    EXPECT_EQ(ourBackends("qor1"), 1);

    company.setDatabase("qor_mob");
    pid.refresh();
    EXPECT_NE(pid.text("pid"), first);
    EXPECT_EQ(company.pooledSessions(), 2u) << "each target keeps its own pooled session";
    company.clearPool();
    EXPECT_TRUE(settlesTo("qor1", 0));
}

TEST(PgLayer, RequireNeedsTlsWhilePreferFallsBack) {
    db::Connection required("c", pg().qorSettings(pg().plainPort, "qor2", SslMode::Require));
    db::Query probe(def("select ssl from pg_stat_ssl where pid = pg_backend_pid()"), required);
    EXPECT_NE(errorOf([&] { probe.open(); }).find("SSL"), std::string::npos);
    EXPECT_FALSE(probe.isOpen());

    required.setSslMode(SslMode::Prefer);
    probe.open();
    EXPECT_FALSE(probe.boolean("ssl"));

    required.setPort(pg().tlsPort);
    required.setDatabase("qor1");
    probe.refresh();
    EXPECT_TRUE(probe.boolean("ssl")) << "prefer uses TLS where the server offers it";
}

TEST(PgLayer, DeclaredFieldsAreChecked) {
    db::Connection c("c", pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require));
    struct Case {
        std::vector<FieldDef> fields;
        std::string error;
    } cases[] = {
        {{field("a", FieldType::Integer), field("b", FieldType::Text)}, "dsTest: Field 'b' not found"},
        {{field("client", FieldType::LongText, "json_client")}, "dsTest: Field 'json_client' not found"},
        {{field("a", FieldType::Text)},
         "dsTest: Type mismatch for field 'a', expecting: text actual: integer"},
        {{field("c", FieldType::Integer)},
         "dsTest: Type mismatch for field 'c', expecting: integer actual: bigint"},
    };
    for (const Case& test : cases) {
        db::Query q(def("select 1 as a, 2::bigint as c, 'x' as extra", test.fields), c);
        EXPECT_EQ(errorOf([&] { q.open(); }), test.error);
        EXPECT_FALSE(q.isOpen());
    }
    db::Query fine(
        def("select 1::int2 as a, 1.5::numeric as f, now() as ts, current_date as d, 'x' as t",
            {field("a", FieldType::Integer), field("f", FieldType::Float), field("ts", FieldType::Timestamp),
             field("d", FieldType::Date), field("t", FieldType::Text)}),
        c);
    fine.open();
    EXPECT_EQ(fine.date("d"), QDate::currentDate());
}

TEST(PgLayer, ParametersAreBoundUntypedAsText) {
    db::Connection c("c", pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require));
    db::Query q(def("select :p::json->>'a' as v, ':notparam' as q, jsonb_typeof(:j) as jt, "
                    "pg_typeof(:p)::text as pt, (date '2026-01-01' between :d and current_date) as inside"),
                c);
    q.setParam("p", std::string(R"({"a": "ăș: 'x'; --"})"));
    q.setParam("j", QString("[1]"));
    q.setParam("d", QDate(2025, 12, 31));
    q.open();
    EXPECT_EQ(q.text("v"), QString::fromUtf8("ăș: 'x'; --"));
    EXPECT_EQ(q.text("q"), ":notparam");
    EXPECT_EQ(q.text("jt"), "array") << "the server inferred jsonb from the function";
    EXPECT_EQ(q.text("pt"), "json");
    EXPECT_TRUE(q.boolean("inside")) << "the date parameter compared as a date";
    EXPECT_EQ(q.param("D"), "2025-12-31");
    EXPECT_EQ(errorOf([&] { q.setParam("nope", std::string("1")); }), "dsTest: Parameter 'nope' not found");
}

TEST(PgLayer, ErrorsCarryTheServerTextAndAFailedRefreshKeepsRows) {
    db::Connection c("c", pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require));
    db::Query missing(def("select * from no_such_table"), c);
    try {
        missing.open();
        FAIL() << "opened a missing table";
    } catch (const AppError& e) {
        EXPECT_STREQ(e.what(), "relation \"no_such_table\" does not exist");
        EXPECT_EQ(e.sqlState(), "42P01");
    }

    db::Query q(def("select 10 / :d as r"), c);
    q.setParam("d", std::string("5"));
    q.open();
    q.setParam("d", std::string("0"));
    EXPECT_EQ(errorOf([&] { q.refresh(); }), "division by zero");
    ASSERT_TRUE(q.isOpen());
    EXPECT_EQ(q.integer("r"), 2);

    db::Connection wrong("c", pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require));
    wrong.setPassword("not-the-password");
    db::Query w(def("select 1"), wrong);
    EXPECT_NE(errorOf([&] { w.open(); }).find("password authentication failed for user \"qor\""),
              std::string::npos);
}

TEST(PgLayer, ClosedAndEmptyQueries) {
    db::Connection c("c", pg().qorSettings(pg().tlsPort, "qor1", SslMode::Require));
    db::Query q(def("select 'a'::text as t, null::int as n where :keep::boolean"), c);
    EXPECT_EQ(errorOf([&] { q.text("t"); }), "dsTest: Cannot perform this operation on a closed dataset");
    q.setParam("keep", std::string("false"));
    q.open();
    EXPECT_EQ(q.rowCount(), 0);
    EXPECT_EQ(q.text("t"), "");
    EXPECT_TRUE(q.isNull("n"));
    EXPECT_EQ(errorOf([&] { q.text("zz"); }), "dsTest: Field 'zz' not found");
    int changes = 0;
    q.subscribe([&] { ++changes; });
    q.setParam("keep", std::string("true"));
    q.refresh();
    q.close();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(q.isOpen());
}

// The schema files and the declared fields agree: every query of the
// catalogue opens on an empty company database, and the function journals a page.
TEST(PgLayer, SchemaMatchesTheDeclaredFields) {
    pg().resetData();
    TdmCon dm;
    EXPECT_EQ(dm.dsEmitent.fields().size(), 65u);
    EXPECT_EQ(dm.dsEu.fields().size(), 122u);
    dm.conQor.setServer("127.0.0.1");
    dm.conQor.setPort(pg().tlsPort);
    dm.conQor.setPassword(pg().qorPassword);
    for (db::Query* q : {&dm.dsEmitent, &dm.dsAplicatieMob, &dm.dsAplicatieMobEmitent, &dm.dsEu}) {
        EXPECT_NO_THROW(q->open()) << q->name();
        EXPECT_TRUE(q->isOpen()) << q->name();
    }
    db::Connection directory("conQorMob", pg().qorSettings(pg().tlsPort, "qor_mob", SslMode::Require));
    db::Query dsQorMobil(db::catalogueQuery("dsQorMobil"), directory);
    EXPECT_NO_THROW(dsQorMobil.open());

    db::Query insert(db::catalogueQuery("o_samo_log_factc_ins"), dm.conQor);
    insert.setParam("pjson", sourceFile("tests/data/samo_page.json"));
    insert.execute();
    insert.execute(); // the same page again journals nothing twice
    db::Query journal(db::catalogueQuery("dsLogSamoFactc"), dm.conQor);
    journal.setParam("pDataIncep", QDate(1, 1, 1));
    journal.open();
    EXPECT_EQ(journal.rowCount(), 3);
    EXPECT_FALSE(journal.text("client").isEmpty());
    db::Query one(db::catalogueQuery("dsLogSamoFactcUnu"), dm.conQor);
    one.setParam("id", journal.text("id"));
    one.open();
    EXPECT_EQ(one.rowCount(), 1);
    db::Query config(db::catalogueQuery("dsConfigSamo"), dm.conQor);
    EXPECT_NO_THROW(config.open());
}

} // namespace
