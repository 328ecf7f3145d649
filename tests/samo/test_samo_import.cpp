// The SAMO client end to end: our test server, the test run's PostgreSQL
// (qor1, its real o_samo_log_factc_ins) and the client's progress lines.
#include "SamoTestSupport.h"
#include "samo/SamoBodies.h"
#include "samo/u_fProc_Samo.h"
#include "tests/support/PgFixture.h"

#include <QStringList>
#include <chrono>
#include <gtest/gtest.h>

using namespace samotest;
using namespace std::chrono_literals;

namespace {

const PgFixture& pg() {
    return PgFixture::get();
}

db::ConnectionSettings companySettings() {
    db::ConnectionSettings settings = pg().qorSettings(pg().tlsPort, "qor1", db::SslMode::Prefer);
    settings.pooling = true;
    return settings;
}

std::string sqlText(const std::string& text) {
    return "$samo$" + text + "$samo$";
}

QStringList pageLines(int pages) {
    QStringList lines;
    for (int i = 1; i <= pages; ++i)
        lines << QStringLiteral("pagina=%1").arg(i);
    return lines;
}

Reply body(std::string text, std::string contentType = "application/json; charset=utf-8") {
    Reply r;
    r.body = std::move(text);
    r.contentType = std::move(contentType);
    return r;
}

Reply status(int code, std::string text = {}) {
    Reply r = body(std::move(text), "text/plain; charset=utf-8");
    r.status = code;
    return r;
}

Reply mode(Reply::Mode m, std::string text = {}) {
    Reply r = body(std::move(text));
    r.mode = m;
    return r;
}

struct SamoImport : ::testing::Test {
    TestServer samo;
    db::Connection conQor{"conQor", companySettings()};
    TfProc_Samo proc{conQor};
    QStringList lines;

    void SetUp() override {
        pg().resetData();
        proc.RESTClient1.setTimeoutsForTests(5s, 5s, 5s);
    }
    void configure(const std::string& baseUrl, const std::string& user = "ion.popescu",
                   const std::string& password = "Parola#2026") {
        pg().exec(pg().tlsPort, "qor1",
                  "insert into config_samo (base_url, user_name, pass) values (" + sqlText(baseUrl) + ", " +
                      sqlText(user) + ", " + sqlText(password) + ")");
    }
    void import() {
        proc.getInvoices([this](const QString& line) { lines << line; });
    }
    int storedRows() const {
        return std::stoi(pg().scalar(pg().tlsPort, "qor1", "select count(*) from log_samo_factc"));
    }
};

TEST_F(SamoImport, EveryPageUntilACountOfZero) {
    Scenario s;
    s.token = "tok-123";
    s.user = "ion.popescu";
    s.password = "Parola#2026";
    s.cookie = "samo_sid=s1";
    s.pages = 3;
    s.lastPageItems = 4; // a short page does not end the listing
    samo.server.setScenario(s);
    configure(samo.api() + "/");

    import();
    EXPECT_EQ(lines, pageLines(4));
    EXPECT_EQ(proc.vToken, "tok-123");
    EXPECT_EQ(proc.vBaseUrl, qs(samo.api() + "/"));
    EXPECT_FALSE(proc.dsConfigSamo.isOpen());
    EXPECT_EQ(storedRows(), 24);
    // The pages' transactions, as the function journaled them.
    EXPECT_EQ(
        pg().scalar(
            pg().tlsPort, "qor1",
            "select count(*) from log_samo_factc where json_factc::json->'clientData'->>'cui' like 'RO%'"),
        "24");

    auto requests = samo.server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/api/auth");
    EXPECT_EQ(requests[0].body, R"({"username": "ion.popescu", "password": "Parola#2026"})");
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    for (int page = 1; page <= 4; ++page) {
        const RecordedRequest& r = requests[page];
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.target, "/api/GetAgencyInvoices");
        EXPECT_EQ(r.body, "{\"page\": " + std::to_string(page) + ", \"pageSize\": 10}");
        EXPECT_EQ(r.header("Authorization"), "Bearer tok-123");
        EXPECT_EQ(r.header("Content-Type"), "application/json");
        EXPECT_EQ(r.header("Cookie"), "samo_sid=s1");
    }

    // A second import in the same run: a fresh token, asked for without the old one.
    samo.server.clearRequests();
    lines.clear();
    import();
    EXPECT_EQ(lines, pageLines(4));
    requests = samo.server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].target, "/api/auth");
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_EQ(requests[0].header("Cookie"), "samo_sid=s1");
    EXPECT_EQ(storedRows(), 24); // the same transactions again
}

TEST_F(SamoImport, FirstPageWithCountZero) {
    Scenario s;
    s.pages = 0;
    samo.server.setScenario(s);
    configure(samo.api());
    import();
    EXPECT_EQ(lines, pageLines(1));
    EXPECT_EQ(samo.server.requests().size(), 2u);
    EXPECT_EQ(storedRows(), 0);
}

TEST_F(SamoImport, CountGivenAsAString) {
    Scenario one;
    one.pages = 1;
    one.lastPageItems = 3;
    std::string page = SamoServer::pageJson(one, 1);
    const std::string count = "\"listItemsCount\": 3";
    ASSERT_NE(page.find(count), std::string::npos);
    page.replace(page.find(count), count.size(), "\"listItemsCount\": \"3\"");
    Scenario s;
    s.pages = 0;
    s.pageReplies[1] = body(page);
    samo.server.setScenario(s);
    configure(samo.api());
    import();
    EXPECT_EQ(lines, pageLines(2));
    EXPECT_EQ(storedRows(), 3);
}

TEST_F(SamoImport, CredentialsWithQuotesAndBackslashesArriveIntact) {
    Scenario s;
    s.user = "ion\"pop\\";
    s.password = "a\", \"admin\": \"1";
    s.pages = 0;
    samo.server.setScenario(s);
    configure(samo.api(), s.user, s.password);
    import();
    EXPECT_EQ(samo.server.requests().at(0).body,
              R"({"username": "ion\"pop\\", "password": "a\", \"admin\": \"1"})");
    EXPECT_EQ(lines, pageLines(1));
}

TEST_F(SamoImport, NullTokenIsTheTextNull) {
    Scenario s;
    s.authReplies[1] = body(R"({"token": null})");
    samo.server.setScenario(s);
    configure(samo.api());
    proc.getToken();
    EXPECT_EQ(proc.vToken, "null");
}

TEST_F(SamoImport, PageInWindows1250IsStoredAsUtf8) {
    // "Ştefan Ţăran SRL" in windows-1250.
    const std::string page =
        "{\"page\": 1, \"pageSize\": 10, \"listItemsCount\": 1, \"listItems\": [{\"id\": "
        "\"SAMO-W1250\", \"date\": \"2026-01-05\", \"number\": \"FC 1\", \"clientData\": "
        "{\"client\": \"\xAA"
        "tefan \xDE\xE3ran SRL\", \"cui\": \"RO123\"}}]}";
    Scenario s;
    s.pages = 0;
    s.pageReplies[1] = body(page, "application/json; charset=windows-1250");
    samo.server.setScenario(s);
    configure(samo.api());
    import();
    EXPECT_EQ(
        pg().scalar(
            pg().tlsPort, "qor1",
            "select json_factc::json->'clientData'->>'client' from log_samo_factc where id = 'SAMO-W1250'"),
        "\xC5\x9E"
        "tefan \xC5\xA2\xC4\x83ran SRL");
}

// Each failure: its text, the progress lines written and the pages kept.
TEST_F(SamoImport, FailuresStopTheImportAndKeepStoredPages) {
    enum class Config { Normal, None, EmptyBaseUrl, ClosedPort };
    Scenario three;
    three.pages = 3;
    const std::string page2 = SamoServer::pageJson(three, 2);
    std::string badUtf8 = page2;
    badUtf8.insert(badUtf8.size() - 2, "\xC3");
    Reply charset = body(page2, "application/json; charset=koi8-r");
    const struct {
        const char* name;
        std::function<void(Scenario&)> script;
        std::string error;
        int lines; // the last one names the failed page
        int rows;  // transactions stored before the failure
        Config config = Config::Normal;
        bool prefixOnly = false;
    } cases[] = {
        {"config_samo empty", {}, "Nu aveti configurata tabela config_samo.", 0, 0, Config::None},
        {"empty base_url", {}, "URL using bad/illegal format or missing URL", 0, 0, Config::EmptyBaseUrl},
        {"refused connection",
         {},
         "Couldn't connect to server: Failed to connect to 127.0.0.1 port",
         0,
         0,
         Config::ClosedPort,
         true},
        {"auth status 403", [](Scenario& s) { s.authReplies[1] = status(403, "Acces interzis"); },
         "(getToken) EROARE! StatusCode = 403, Content = Acces interzis", 0, 0},
        {"auth credentials refused", [](Scenario& s) { s.user = "alt.utilizator"; },
         R"((getToken) EROARE! StatusCode = 401, Content = {"message": "Invalid username or password"})", 0,
         0},
        {"auth not JSON", [](Scenario& s) { s.authReplies[1] = body("<html>token</html>"); },
         "Eroare obtinere token.", 0, 0},
        {"auth empty", [](Scenario& s) { s.authReplies[1] = body(""); }, "Eroare obtinere token.", 0, 0},
        {"auth without token",
         [](Scenario& s) { s.authReplies[1] = body(R"({"Token": "x", "d": {"token": "y"}})"); },
         "Eroare obtinere token.", 0, 0},
        {"auth array", [](Scenario& s) { s.authReplies[1] = body(R"([{"token": "x"}])"); },
         "Invalid class typecast", 0, 0},
        {"auth string", [](Scenario& s) { s.authReplies[1] = body(R"("x")"); }, "Invalid class typecast", 0,
         0},
        {"auth status 500", [](Scenario& s) { s.authReplies[1] = status(500, "stack trace"); },
         "HTTP/1.1 500 Internal Server Error", 0, 0},
        {"list status 404", [](Scenario& s) { s.pageReplies[1] = status(404, "Pagina lipsa"); },
         "(getInvoices) EROARE - StatusCode = 404, Content = Pagina lipsa", 1, 0},
        {"list status 401", [](Scenario& s) { s.pageReplies[2] = status(401); },
         "(getInvoices) EROARE - StatusCode = 401, Content = ", 2, 10},
        {"list status 502", [](Scenario& s) { s.pageReplies[2] = status(502, "proxy"); },
         "HTTP/1.1 502 Bad Gateway", 2, 10},
        {"list not JSON", [](Scenario& s) { s.pageReplies[3] = body("nu este json"); },
         "(getInvoices) - Eroare = Eroare la parsare Json", 3, 20},
        {"list empty", [](Scenario& s) { s.pageReplies[1] = body(""); },
         "(getInvoices) - Eroare = Eroare la parsare Json", 1, 0},
        {"list trailing text", [&](Scenario& s) { s.pageReplies[2] = body(page2 + " x"); },
         "(getInvoices) - Eroare = Eroare la parsare Json", 2, 10},
        {"list array", [](Scenario& s) { s.pageReplies[1] = body("[]"); },
         "(getInvoices) - Eroare = Invalid class typecast", 1, 0},
        {"list null", [](Scenario& s) { s.pageReplies[2] = body("null"); },
         "(getInvoices) - Eroare = Invalid class typecast", 2, 10},
        {"count missing", [](Scenario& s) { s.pageReplies[1] = body(R"({"page": 1, "listItems": []})"); },
         "(getInvoices) - Eroare = Membrul listItemsCount lipseste din raspuns", 1, 0},
        {"count 3.5",
         [](Scenario& s) { s.pageReplies[2] = body(R"({"listItemsCount": 3.5, "listItems": []})"); },
         "(getInvoices) - Eroare = '3.5' is not a valid integer value", 2, 10},
        {"count beyond 32 bits",
         [](Scenario& s) { s.pageReplies[1] = body(R"({"listItemsCount": 2147483648})"); },
         "(getInvoices) - Eroare = '2147483648' is not a valid integer value", 1, 0},
        {"count null", [](Scenario& s) { s.pageReplies[1] = body(R"({"listItemsCount": null})"); },
         "(getInvoices) - Eroare = 'null' is not a valid integer value", 1, 0},
        {"database refuses the page",
         [](Scenario& s) { s.pageReplies[2] = body(R"({"listItemsCount": 1})"); },
         "(getInvoices) - Eroare = o_samo_log_factc_ins: pagina nu are lista listItems", 2, 10},
        {"connection closed", [](Scenario& s) { s.pageReplies[2] = mode(Reply::Mode::Close); },
         "Server returned nothing (no headers, no data): Empty reply from server", 2, 10},
        {"no answer", [](Scenario& s) { s.pageReplies[1] = mode(Reply::Mode::NeverAnswer); },
         "Timeout was reached: nothing received for 1000 milliseconds", 1, 0},
        {"cut body", [&](Scenario& s) { s.pageReplies[3] = mode(Reply::Mode::CutBody, page2); },
         "Transferred a partial file: transfer closed with ", 3, 20, Config::Normal, true},
        {"unknown charset", [&](Scenario& s) { s.pageReplies[2] = charset; },
         "Setul de caractere necunoscut: koi8-r", 2, 10},
        {"invalid UTF-8", [&](Scenario& s) { s.pageReplies[2] = body(badUtf8); },
         "Raspunsul nu este UTF-8 valid", 2, 10},
    };
    std::string closedPort;
    {
        TestServer gone;
        closedPort = gone.api();
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pg().resetData();
        Scenario s = three;
        if (c.script)
            c.script(s);
        samo.server.setScenario(s);
        samo.server.clearRequests();
        switch (c.config) {
        case Config::Normal:
            configure(samo.api());
            break;
        case Config::None:
            break;
        case Config::EmptyBaseUrl:
            configure("");
            break;
        case Config::ClosedPort:
            configure(closedPort);
            break;
        }
        lines.clear();
        TfProc_Samo fresh(conQor); // every case from a fresh start, as at program start
        fresh.RESTClient1.setTimeoutsForTests(3s, 1s, 3s);
        const std::string error =
            errorOf([&] { fresh.getInvoices([this](const QString& l) { lines << l; }); });
        if (c.prefixOnly) {
            EXPECT_TRUE(error.starts_with(c.error)) << error;
        } else {
            EXPECT_EQ(error, c.error);
        }
        EXPECT_EQ(lines, pageLines(c.lines));
        EXPECT_EQ(storedRows(), c.rows);
        if (c.config != Config::Normal) {
            EXPECT_TRUE(samo.server.requests().empty());
        }
    }
}

} // namespace
