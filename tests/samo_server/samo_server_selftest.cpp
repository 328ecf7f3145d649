// Checks of the SAMO test server itself at the byte level: framing, keep-alive,
// scripted faults and the generated pages. The client's tests rely on these.
#include "SamoServer.h"

#include <QDate>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

using samotest::RecordedRequest;
using samotest::Reply;
using samotest::SamoServer;
using samotest::Scenario;

namespace {

struct Response {
    std::string statusLine;
    std::string head; // header lines as sent, CRLF-separated
    std::string body;
    std::string header(const std::string& name) const {
        RecordedRequest r; // for its case-insensitive lookup
        std::size_t pos = 0;
        while (pos < head.size()) {
            const auto end = std::min(head.find("\r\n", pos), head.size());
            const std::string line = head.substr(pos, end - pos);
            if (const auto colon = line.find(':'); colon != std::string::npos)
                r.headers.emplace_back(
                    line.substr(0, colon),
                    QByteArray::fromStdString(line.substr(colon + 1)).trimmed().toStdString());
            pos = end + 2;
        }
        return r.header(name);
    }
};

// A raw client connection, driven with Qt's blocking socket calls.
class Raw {
public:
    explicit Raw(quint16 port) {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket_.waitForConnected(3000)) << socket_.errorString().toStdString();
    }

    void send(std::string_view bytes) {
        socket_.write(bytes.data(), qint64(bytes.size()));
        socket_.waitForBytesWritten(3000);
    }

    // One response, or nothing when the server closed or stayed silent.
    std::optional<Response> read(int timeoutMs = 3000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::size_t headEnd;
        while ((headEnd = buffer_.find("\r\n\r\n")) == std::string::npos)
            if (!fill(deadline))
                return std::nullopt;
        Response r;
        const auto firstEnd = buffer_.find("\r\n");
        r.statusLine = buffer_.substr(0, firstEnd);
        r.head = buffer_.substr(firstEnd + 2, headEnd > firstEnd ? headEnd - firstEnd - 2 : 0);
        const std::size_t length = std::stoul("0" + r.header("Content-Length"));
        while (buffer_.size() < headEnd + 4 + length)
            if (!fill(deadline)) {
                r.body = buffer_.substr(headEnd + 4);
                buffer_.clear();
                return r; // cut short: body holds what came
            }
        r.body = buffer_.substr(headEnd + 4, length);
        buffer_.erase(0, headEnd + 4 + length);
        return r;
    }

    // Whether the server closes within the time, with no further byte.
    bool closesSilently(int timeoutMs = 3000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (fill(deadline)) {
        }
        return buffer_.empty() && socket_.state() == QAbstractSocket::UnconnectedState;
    }

    bool silentFor(int ms) {
        const bool data = socket_.bytesAvailable() > 0 || socket_.waitForReadyRead(ms);
        return !data && socket_.state() == QAbstractSocket::ConnectedState;
    }

private:
    bool fill(std::chrono::steady_clock::time_point deadline) {
        if (socket_.bytesAvailable() == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !socket_.waitForReadyRead(int(left.count())))
                return false;
        }
        buffer_ += socket_.readAll().toStdString();
        return true;
    }

    QTcpSocket socket_;
    std::string buffer_;
};

std::string request(const std::string& method, const std::string& target, const std::string& body,
                    const std::string& extraHeaders = {}) {
    return method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders +
           "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
}

const std::string kAuthBody = R"({"username": "ion", "password": "pw"})";
std::string pageBody(int page) {
    return R"({"page": )" + std::to_string(page) + R"(, "pageSize": 10})";
}
const std::string kBearer = "Authorization: Bearer tok-demo-1\r\n";

class SamoServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.setScenario(Scenario{});
        port = server.start();
    }
    void use(const Scenario& s) {
        server.setScenario(s);
        server.clearRequests();
    }
    SamoServer server;
    quint16 port = 0;
};

TEST_F(SamoServerTest, PipelinedRequestsAreAnsweredInOrderAndRecordedAsSent) {
    Raw c(port);
    c.send("POST /api/auth HTTP/1.1\r\ncontent-length: " + std::to_string(kAuthBody.size()) + "\r\n\r\n" +
           kAuthBody +
           "GET /api/GetAgencyInvoices HTTP/1.1\r\nAUTHORIZATION: Bearer tok-demo-1\r\nContent-LENGTH: "
           "27\r\n\r\n" +
           pageBody(2) + "GET /missing?x=1 HTTP/1.1\n\n"); // bare LF line ends are tolerated
    auto auth = c.read(), page = c.read(), missing = c.read();
    ASSERT_TRUE(auth && page && missing);
    EXPECT_EQ(auth->statusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(auth->body, R"({"token": "tok-demo-1"})");
    EXPECT_EQ(page->header("content-type"), "application/json; charset=utf-8");
    EXPECT_EQ(page->body, SamoServer::pageJson(Scenario{}, 2));
    EXPECT_EQ(missing->statusLine, "HTTP/1.1 404 Not Found");
    EXPECT_TRUE(c.silentFor(100)); // still open for more

    const auto recorded = server.requests();
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[1].method, "GET");
    EXPECT_EQ(recorded[1].target, "/api/GetAgencyInvoices");
    EXPECT_EQ(recorded[1].version, "HTTP/1.1");
    EXPECT_EQ(recorded[1].body, pageBody(2));
    ASSERT_EQ(recorded[1].headers.size(), 2u);
    EXPECT_EQ(recorded[1].headers[0].first, "AUTHORIZATION");
    EXPECT_EQ(recorded[1].header("authorization"), "Bearer tok-demo-1");
    EXPECT_FALSE(recorded[1].hasHeader("Cookie"));
    EXPECT_EQ(recorded[2].target, "/missing?x=1");
}

TEST_F(SamoServerTest, ExpectContinueIsAnsweredBeforeTheBody) {
    Raw c(port);
    c.send("POST /auth HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: " +
           std::to_string(kAuthBody.size()) + "\r\n\r\n");
    auto interim = c.read();
    ASSERT_TRUE(interim);
    EXPECT_EQ(interim->statusLine, "HTTP/1.1 100 Continue");
    c.send(kAuthBody);
    auto final = c.read();
    ASSERT_TRUE(final);
    EXPECT_EQ(final->statusLine, "HTTP/1.1 200 OK");
}

TEST_F(SamoServerTest, BadFramingIsRejectedAndClosed) {
    const struct {
        const char* raw;
        const char* status;
    } cases[] = {
        {"POST /auth HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n", "411"},
        {"POST /auth HTTP/1.1\r\nContent-Length: 1x\r\n\r\n", "400"},
        {"POST /auth HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n{}", "400"},
        {"GET /auth HTTP/2.0\r\n\r\n", "505"},
        {"GET /auth\r\n\r\n", "400"},
        {"GET /auth HTTP/1.1\r\nNoColon\r\n\r\n", "400"},
        {"GET /auth HTTP/1.1\r\nBad Name: x\r\n\r\n", "400"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.raw);
        Raw c(port);
        c.send(tc.raw);
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->statusLine.substr(9, 3), tc.status);
        EXPECT_EQ(r->header("Connection"), "close");
        EXPECT_TRUE(c.closesSilently());
    }
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

TEST_F(SamoServerTest, ConnectionPersistenceFollowsTheProtocolVersion) {
    const struct {
        const char* raw;
        bool closes;
        const char* connectionHeader;
    } cases[] = {
        {"GET /x HTTP/1.1\r\n\r\n", false, ""},
        {"GET /x HTTP/1.1\r\nConnection: Close\r\n\r\n", true, "close"},
        {"GET /x HTTP/1.0\r\n\r\n", true, "close"},
        {"GET /x HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", false, "keep-alive"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.raw);
        Raw c(port);
        c.send(tc.raw);
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->header("Connection"), tc.connectionHeader);
        if (tc.closes)
            EXPECT_TRUE(c.closesSilently());
        else
            EXPECT_TRUE(c.silentFor(100));
    }
}

TEST_F(SamoServerTest, FaultModesBreakTheAnswerAsScripted) {
    Scenario s;
    Reply cut;
    cut.body = std::string(1000, 'x');
    cut.mode = Reply::Mode::CutBody;
    Reply close;
    close.mode = Reply::Mode::Close;
    Reply never;
    never.mode = Reply::Mode::NeverAnswer;
    Reply redirect;
    redirect.status = 302;
    redirect.reason = "Moved Over There";
    redirect.contentType = "";
    redirect.headers = {{"Location", "/auth"}, {"Set-Cookie", "a=b; Path=/"}};
    Reply lying;
    lying.body = "{}";
    lying.headers = {{"Content-Length", "5"}};
    s.pathReplies = {
        {"/cut", cut}, {"/close", close}, {"/never", never}, {"/redirect", redirect}, {"/lying", lying}};
    use(s);

    Raw a(port);
    a.send(request("GET", "/cut", ""));
    auto r = a.read(1000);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header("Content-Length"), "1000");
    EXPECT_EQ(r->body.size(), 500u);

    Raw b(port);
    b.send(request("GET", "/close", ""));
    EXPECT_TRUE(b.closesSilently());

    Raw n(port);
    n.send(request("GET", "/never", "") + request("GET", "/x", ""));
    EXPECT_TRUE(n.silentFor(300)); // not even the pipelined second request

    Raw d(port);
    d.send(request("GET", "/redirect", "") + request("GET", "/lying", ""));
    r = d.read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->statusLine, "HTTP/1.1 302 Moved Over There");
    EXPECT_EQ(r->header("Location"), "/auth");
    EXPECT_EQ(r->header("Set-Cookie"), "a=b; Path=/");
    EXPECT_EQ(r->header("Content-Type"), "");
    EXPECT_EQ(r->header("Content-Length"), "0");
    r = d.read(500);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->header("Content-Length"), "5");
    EXPECT_EQ(r->body, "{}"); // the rest never comes

    // Faults are recorded too; what follows a never-answered request is not read.
    EXPECT_EQ(server.requests().size(), 5u);
}

TEST_F(SamoServerTest, ADelayedAnswerDoesNotHoldOtherConnections) {
    Scenario s;
    Reply slow;
    slow.body = "{}";
    slow.delayMs = 1500;
    s.pathReplies = {{"/slow", slow}};
    use(s);
    Raw a(port), b(port);
    a.send(request("GET", "/slow", ""));
    b.send(request("GET", "/fast", ""));
    ASSERT_TRUE(b.read(1000));
    EXPECT_TRUE(a.silentFor(0));
    auto r = a.read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "{}");
}

TEST_F(SamoServerTest, ScriptedRepliesGoByOrdinalAndPageFromTheLastScenario) {
    Scenario s;
    Reply teapot;
    teapot.status = 418;
    teapot.body = "ordinal";
    Reply second;
    second.status = 401;
    second.body = "second auth";
    Reply page2;
    page2.status = 503;
    page2.body = "page two";
    s.requestReplies = {{1, teapot}};
    s.authReplies = {{2, second}};
    s.pageReplies = {{2, page2}};
    s.pathReplies = {{"/q?x=1", teapot}};
    use(s);
    Raw c(port);
    c.send(request("POST", "/auth", kAuthBody) + request("POST", "/auth", kAuthBody) +
           request("POST", "/auth", kAuthBody) + request("GET", "/GetAgencyInvoices", pageBody(2)) +
           request("GET", "/q?x=1", "") + request("GET", "/q?x=2", ""));
    const char* expected[] = {"418", "200", "401", "503", "418", "404"};
    for (const char* status : expected) {
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->statusLine.substr(9, 3), status);
    }
    // A fresh scenario counts from 1 again: the first request is scripted once more.
    server.setScenario(s);
    c.send(request("POST", "/auth", kAuthBody));
    auto r = c.read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, "ordinal");
}

TEST_F(SamoServerTest, NormalAnswersRouteByLastSegmentAndCheckTheirInput) {
    Scenario s;
    s.user = "ion";
    s.password = "pw";
    s.cookie = "SID=42";
    use(s);
    const struct {
        std::string method, target, headers, body;
        int status;
    } cases[] = {
        {"POST", "/api/v1/auth", "", kAuthBody, 200},
        {"POST", "/auth", "", R"({"username": "ion", "password": "nu"})", 401},
        {"POST", "/auth", "", R"({"username": "i"on", "password": "pw"})", 400},
        {"POST", "/auth", "", R"({"username": 1})", 400},
        {"GET", "/auth", "", kAuthBody, 405},
        {"GET", "/x/GetAgencyInvoices", kBearer, pageBody(1), 200},
        {"POST", "/GetAgencyInvoices/", kBearer, pageBody(1), 200},
        {"GET", "/GetAgencyInvoices", "", pageBody(1), 401},
        {"GET", "/GetAgencyInvoices", "Authorization: Bearer other\r\n", pageBody(1), 401},
        {"GET", "/GetAgencyInvoices", kBearer, "", 400},
        {"GET", "/GetAgencyInvoices", kBearer, R"({"page": "1", "pageSize": 10})", 400},
        {"GET", "/GetAgencyInvoices", kBearer, R"({"page": 1, "pageSize": 20})", 400},
        {"DELETE", "/GetAgencyInvoices", kBearer, pageBody(1), 405},
        {"GET", "/getagencyinvoices", kBearer, pageBody(1), 404},
    };
    Raw c(port);
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.method + " " + tc.target + " " + tc.body);
        c.send(request(tc.method, tc.target, tc.body, tc.headers));
        auto r = c.read();
        ASSERT_TRUE(r);
        EXPECT_EQ(r->statusLine.substr(9, 3), std::to_string(tc.status));
        EXPECT_EQ(r->header("Content-Type"), "application/json; charset=utf-8");
        EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).isObject()) << r->body;
        if (tc.status == 200 && tc.target.find("auth") != std::string::npos) {
            EXPECT_EQ(r->header("Set-Cookie"), "SID=42; Path=/");
        }
    }

    s.requireToken = false;
    use(s);
    c.send(request("GET", "/GetAgencyInvoices", pageBody(1)));
    auto r = c.read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->statusLine, "HTTP/1.1 200 OK");
}

TEST(SamoPages, FollowTheLayoutAndTheScenario) {
    Scenario s;
    s.pages = 3;
    s.lastPageItems = 4;
    s.idPrefix = "T-";
    s.daysBack = 5;
    const QDate today = QDate::currentDate();
    const QRegularExpression number(QStringLiteral("^FC \\d{4}-\\d{6}$"));
    const QRegularExpression cui(QStringLiteral("^RO\\d{6,10}$"));
    bool sawDiacritics = false;
    const int expectedCounts[] = {10, 10, 4, 0};
    int running = 0;
    for (int page = 1; page <= 4; ++page) {
        SCOPED_TRACE(page);
        const std::string text = SamoServer::pageJson(s, page);
        sawDiacritics =
            sawDiacritics || std::any_of(text.begin(), text.end(), [](char ch) { return ch & 0x80; });
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
        EXPECT_EQ(o.value("page").toInt(), page);
        EXPECT_EQ(o.value("pageSize").toInt(), 10);
        EXPECT_EQ(o.value("listItemsCount").toInt(), expectedCounts[page - 1]);
        const QJsonArray items = o.value("listItems").toArray();
        ASSERT_EQ(items.size(), expectedCounts[page - 1]);
        for (const auto& v : items) {
            const QJsonObject t = v.toObject();
            char id[32];
            std::snprintf(id, sizeof id, "T-%09d", ++running);
            EXPECT_EQ(t.value("id").toString().toStdString(), id);
            const QDate date = QDate::fromString(t.value("date").toString(), Qt::ISODate);
            EXPECT_TRUE(date <= today && date > today.addDays(-s.daysBack)) << date.toString().toStdString();
            EXPECT_TRUE(number.match(t.value("number").toString()).hasMatch());
            EXPECT_FALSE(t.value("clientData")["client"].toString().isEmpty());
            EXPECT_TRUE(cui.match(t.value("clientData")["cui"].toString()).hasMatch());
            double sum = 0;
            for (const auto& v : t.value("lines").toArray()) {
                const QJsonObject line = v.toObject();
                sum += line["quantity"].toDouble() * line["unitPrice"].toDouble() *
                       (1 + line["vatRate"].toDouble() / 100);
            }
            EXPECT_NEAR(t.value("total").toDouble(), sum, 0.01 * t.value("lines").toArray().size());
        }
    }
    EXPECT_TRUE(sawDiacritics);
    const std::string first = SamoServer::pageJson(s, 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\"total\": \\d+\\.\\d\\d,"))
                    .match(QString::fromStdString(first))
                    .hasMatch());
    EXPECT_EQ(first, SamoServer::pageJson(s, 1));
    s.seed = 2;
    EXPECT_NE(first, SamoServer::pageJson(s, 1));
    EXPECT_EQ(SamoServer::pageJson(s, 0),
              R"({"page": 0, "pageSize": 10, "listItemsCount": 0, "listItems": []})");
}

TEST(SamoPages, ItemBytesPadsEachTransaction) {
    Scenario s;
    s.itemBytes = 20000;
    const QJsonArray items = QJsonDocument::fromJson(QByteArray::fromStdString(SamoServer::pageJson(s, 1)))
                                 .object()["listItems"]
                                 .toArray();
    ASSERT_EQ(items.size(), 10);
    for (const auto& v : items) {
        const auto size = QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact).size();
        EXPECT_GT(size, 18000);
        EXPECT_LT(size, 21000);
    }
}

TEST(SamoServerLifecycle, StartsAgainAndReportsATakenPort) {
    SamoServer a, b;
    const quint16 port = a.start();
    EXPECT_EQ(a.baseUrl(), "http://127.0.0.1:" + std::to_string(port));
    EXPECT_THROW(b.start(port), std::runtime_error);
    EXPECT_THROW(a.start(), std::runtime_error); // already running
    a.stop();
    EXPECT_EQ(b.start(port), port);
    Raw c(port);
    c.send(request("POST", "/auth", kAuthBody));
    EXPECT_TRUE(c.read());
}

TEST(SamoServerLifecycle, StopClosesConnectionsWithPendingAnswers) {
    SamoServer server;
    Scenario s;
    Reply never;
    never.mode = Reply::Mode::NeverAnswer;
    Reply slow;
    slow.delayMs = 60000;
    s.pathReplies = {{"/never", never}, {"/slow", slow}};
    server.setScenario(s);
    const quint16 port = server.start();
    Raw a(port), b(port);
    a.send(request("GET", "/never", ""));
    b.send(request("GET", "/slow", ""));
    while (server.requests().size() < 2)
        QThread::msleep(10);
    server.stop();
    EXPECT_TRUE(a.closesSilently());
    EXPECT_TRUE(b.closesSilently());
}

} // namespace
