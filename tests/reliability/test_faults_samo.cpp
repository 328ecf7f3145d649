// SAMO answers that the client tests do not try through the program: each
// fault in one import of the same running program, then an import against a
// well-behaved server, which must work and keep what the faulty one stored.
#include "FaultReport.h"
#include "ProgramSession.h"

#include <functional>

using samotest::Reply;
using samotest::SamoServer;
using samotest::Scenario;

namespace {

// A normal page whose "listItemsCount" member reads `count` instead.
std::string pageWithCount(const Scenario& s, int page, const std::string& count) {
    std::string body = SamoServer::pageJson(s, page);
    const std::string member = "\"listItemsCount\": 10";
    body.replace(body.find(member), member.size(), "\"listItemsCount\": " + count);
    return body;
}

Reply jsonBody(std::string body) {
    Reply r;
    r.body = std::move(body);
    return r;
}

class SamoFaults : public ProgramSession {};

TEST_F(SamoFaults, EachFaultStopsOneImportAndTheNextOneWorks) {
    const struct {
        const char* fault;
        std::function<void(Scenario&)> script;
        QString box; // the error box; empty: the import ends without one
        int lines;   // memo lines of the faulty import; the last names the page it stopped at
        int stored;  // its transactions that stay stored
        const char* lost;
    } cases[] = {
        {"list answers 503 on page 2",
         [](Scenario& s) {
             Reply r;
             r.status = 503;
             r.body = "Mentenanta";
             r.contentType = "text/plain";
             s.pageReplies[2] = r;
         },
         "HTTP/1.1 503 Service Unavailable.", 2, 10, "nothing: the next import stores every page"},
        {"list redirects to itself (redirect loop)",
         [](Scenario& s) {
             Reply r;
             r.status = 302;
             r.headers = {{"Location", "/api/GetAgencyInvoices"}};
             s.pathReplies["/api/GetAgencyInvoices"] = r;
         },
         "Number of redirects hit maximum amount: Maximum (5) redirects followed.", 1, 0,
         "nothing: six requests, then the message"},
        {"a page of 20 MB (ten transactions of 2 MB)",
         [](Scenario& s) {
             s.pages = 1;
             s.itemBytes = (2 << 20) + (64 << 10);
             // Made here, so that the server answers at once however slow the build.
             s.pageReplies[1] = jsonBody(SamoServer::pageJson(s, 1));
         },
         "", 2, 10, "nothing: stored whole"},
        {"auth token holding a line break and a header (header injection)",
         [](Scenario& s) { s.authReplies[1] = jsonBody(R"({"token": "t\r\nX-Injected: 1"})"); },
         "Antet HTTP invalid: Authorization.", 1, 0, "nothing: no request carries the injected header"},
        {"listItemsCount negative on page 2 (with a full list)",
         [](Scenario& s) { s.pageReplies[2] = jsonBody(pageWithCount(s, 2, "-1")); }, "", 2, 10,
         "page 2's list: a count of 0 or less ends the listing by rule, so its transactions are not stored"},
        {"listItemsCount a word",
         [](Scenario& s) { s.pageReplies[1] = jsonBody(pageWithCount(s, 1, "\"zece\"")); },
         "(getInvoices) - Eroare = 'zece' is not a valid integer value.", 1, 0,
         "nothing beyond the page, which is refused"},
        {"listItemsCount below the 32-bit range",
         [](Scenario& s) { s.pageReplies[2] = jsonBody(pageWithCount(s, 2, "-2147483649")); },
         "(getInvoices) - Eroare = '-2147483649' is not a valid integer value.", 2, 10,
         "nothing beyond the page, which is refused"},
        {"listItemsCount an object",
         [](Scenario& s) { s.pageReplies[1] = jsonBody(pageWithCount(s, 1, "{\"n\": 10}")); },
         "(getInvoices) - Eroare = '' is not a valid integer value.", 1, 0,
         "nothing beyond the page, which is refused"},
        {"listItemsCount true", [](Scenario& s) { s.pageReplies[3] = jsonBody(pageWithCount(s, 3, "true")); },
         "(getInvoices) - Eroare = 'true' is not a valid integer value.", 3, 20,
         "nothing beyond the page, which is refused"},
    };
    ASSERT_TRUE(login(plainLogin)) << joined(boxes);
    click("ButtonCauta");
    int k = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ++k;
        const std::string faulty = "F" + std::to_string(k) + "-", healthy = "R" + std::to_string(k) + "-";
        Scenario s;
        s.pages = 3;
        s.idPrefix = faulty;
        c.script(s);
        samo.setScenario(s);
        const int linesBefore = static_cast<int>(memoLines().size());
        const int rowsBefore = storedRows();

        click("Button1");
        const QStringList shown = takeBoxes();
        EXPECT_EQ(shown, c.box.isEmpty() ? QStringList() : QStringList{c.box});
        QStringList lines;
        for (int page = 1; page <= c.lines; ++page)
            lines << QStringLiteral("pagina=%1").arg(page);
        EXPECT_EQ(memoLines().mid(linesBefore), lines);
        EXPECT_EQ(storedRows("id like '" + faulty + "%'"), c.stored);
        EXPECT_EQ(storedRows(), rowsBefore + c.stored) << "nothing stored before went away";
        for (const samotest::RecordedRequest& r : samo.requests())
            EXPECT_FALSE(r.hasHeader("X-Injected")) << r.target;

        // The same program, the server well again.
        Scenario well;
        well.pages = 1;
        well.lastPageItems = 2;
        well.idPrefix = healthy;
        samo.setScenario(well);
        click("Button1");
        EXPECT_TRUE(boxes.isEmpty()) << joined(takeBoxes());
        EXPECT_EQ(storedRows("id like '" + healthy + "%'"), 2);
        EXPECT_EQ(storedRows("id like '" + faulty + "%'"), c.stored);
        EXPECT_EQ(gridRows(), storedRows("json_factc_date >= current_date - 30"));

        const QString what = c.box.isEmpty() ? QStringLiteral("no message; the grid is refreshed") : c.box;
        reportFault({"SAMO", c.fault, what,
                     !c.stored ? QStringLiteral("everything stored before")
                     : c.box.isEmpty()
                         ? QStringLiteral("the %1 transactions of the pages taken").arg(c.stored)
                         : QStringLiteral("the %1 transactions of the pages before").arg(c.stored),
                     c.lost});
    }
    EXPECT_GE(
        std::stoll(pg().scalar(pg().tlsPort, "qor1",
                               "select sum(length(json_factc)) from log_samo_factc where id like 'F3-%'")),
        20ll << 20)
        << "the 20 MB page arrived whole";
}

} // namespace
