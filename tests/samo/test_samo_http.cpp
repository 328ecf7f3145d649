// Our HTTP layer against our SAMO test server (its own thread, real sockets).
#include "SamoTestSupport.h"
#include "samo/HttpClient.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>

using namespace samotest;
using namespace std::chrono_literals;

namespace {

struct SamoHttp : ::testing::Test {
    TestServer samo;
    HttpClient client;

    void SetUp() override {
        client.setBaseUrl(qs(samo.api()));
        client.setTimeoutsForTests(5s, 5s, 5s);
    }
    // One request built the way the SAMO client builds its requests.
    const HttpResponse& send(HttpMethod method, const char* resource, const std::string& body,
                             const std::string& authorization = {}) {
        client.setMethod(method);
        client.setResource(resource);
        client.clearBody();
        client.clearParams();
        if (!authorization.empty())
            client.addHeader("Authorization", authorization);
        client.addBody(body, "application/json");
        return client.execute();
    }
    void script(const std::string& path, Reply reply) {
        Scenario s;
        s.pathReplies[path] = std::move(reply);
        samo.server.setScenario(s);
    }
    static Reply redirect(int status, const std::string& location) {
        Reply r;
        r.status = status;
        r.body = "moved";
        r.headers = {{"Location", location}};
        return r;
    }
};

TEST_F(SamoHttp, RequestsCarryTheirMethodBodyAndHeaders) {
    const std::string authBody = R"({"username": "u", "password": "p"})";
    EXPECT_EQ(send(HttpMethod::Post, "auth", authBody).statusCode, 200);
    const std::string pageBody = R"({"page": 1, "pageSize": 10})";
    const HttpResponse& page = send(HttpMethod::Get, "GetAgencyInvoices", pageBody, "Bearer tok-demo-1");
    EXPECT_EQ(page.statusCode, 200);
    EXPECT_EQ(page.statusLine, "HTTP/1.1 200 OK");
    EXPECT_NE(page.content.find("\"listItemsCount\": 10"), std::string::npos) << page.content.substr(0, 200);

    const auto requests = samo.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const struct {
        const char* method;
        const char* target;
        const std::string& body;
    } expected[] = {{"POST", "/api/auth", authBody}, {"GET", "/api/GetAgencyInvoices", pageBody}};
    for (size_t i = 0; i < 2; ++i) {
        const RecordedRequest& r = requests[i];
        EXPECT_EQ(r.method, expected[i].method);
        EXPECT_EQ(r.target, expected[i].target);
        EXPECT_EQ(r.version, "HTTP/1.1");
        EXPECT_EQ(r.body, expected[i].body);
        EXPECT_EQ(r.header("Content-Type"), "application/json");
        EXPECT_EQ(r.header("Content-Length"), std::to_string(expected[i].body.size()));
        EXPECT_EQ(r.header("Accept"), "application/json, text/plain;q=0.9, */*;q=0.8");
        EXPECT_EQ(r.header("Accept-Charset"), "UTF-8, *;q=0.8");
        EXPECT_TRUE(r.header("User-Agent").starts_with("wImportFactCMarvo/")) << r.header("User-Agent");
        EXPECT_FALSE(r.hasHeader("Accept-Encoding"));
        EXPECT_FALSE(r.hasHeader("Expect"));
    }
    EXPECT_FALSE(requests[0].hasHeader("Authorization"));
    EXPECT_EQ(requests[1].header("Authorization"), "Bearer tok-demo-1");
}

TEST_F(SamoHttp, BodyAndHeadersCarryOverUntilCleared) {
    send(HttpMethod::Post, "auth", "{}", "Bearer x");
    client.execute(); // nothing cleared: the same request again
    client.clearBody();
    client.clearParams();
    client.execute();
    const auto requests = samo.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (int i : {0, 1}) {
        EXPECT_EQ(requests[i].body, "{}");
        EXPECT_EQ(requests[i].header("Authorization"), "Bearer x");
    }
    EXPECT_EQ(requests[2].method, "POST");
    EXPECT_EQ(requests[2].body, "");
    EXPECT_FALSE(requests[2].hasHeader("Authorization"));
    EXPECT_FALSE(requests[2].hasHeader("Content-Type"));
}

TEST_F(SamoHttp, CookiesComeBackForTheRun) {
    Scenario s;
    s.cookie = "samo_sid=abc123";
    samo.server.setScenario(s);
    send(HttpMethod::Post, "auth", R"({"username": "u", "password": "p"})");
    send(HttpMethod::Get, "GetAgencyInvoices", R"({"page": 1, "pageSize": 10})");
    send(HttpMethod::Post, "auth", R"({"username": "u", "password": "p"})");
    const auto requests = samo.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].hasHeader("Cookie"));
    EXPECT_EQ(requests[1].header("Cookie"), "samo_sid=abc123");
    EXPECT_EQ(requests[2].header("Cookie"), "samo_sid=abc123");
}

TEST_F(SamoHttp, InvalidBaseUrlsAreRefusedBeforeSending) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "URL using bad/illegal format or missing URL"},
        {" \t ", "URL using bad/illegal format or missing URL"},
        {"http://", "URL using bad/illegal format or missing URL: http://"},
        {" https:/// ", "URL using bad/illegal format or missing URL: https:///"},
        {"http://samo example/api", "URL using bad/illegal format or missing URL: http://samo example/api"},
        {"ftp://127.0.0.1/api", "Unsupported protocol: ftp://127.0.0.1/api"},
    };
    for (const auto& [base, error] : cases) {
        client.setBaseUrl(base);
        EXPECT_EQ(errorOf([&] { send(HttpMethod::Post, "auth", "{}"); }), error) << base;
    }
    EXPECT_TRUE(samo.server.requests().empty());
}

TEST_F(SamoHttp, BaseUrlWithAndWithoutSlashOrScheme) {
    const std::string hostPort = samo.origin().substr(std::string("http://").size());
    for (const std::string& base : {samo.api(), samo.api() + "/", "  " + hostPort + "/api/ "}) {
        client.setBaseUrl(qs(base));
        EXPECT_EQ(send(HttpMethod::Post, "auth", R"({"username": "u", "password": "p"})").statusCode, 200)
            << base;
    }
    for (const RecordedRequest& r : samo.server.requests())
        EXPECT_EQ(r.target, "/api/auth");
}

TEST_F(SamoHttp, RedirectsKeepOrDropMethodAndBody) {
    const struct {
        int status;
        HttpMethod method;
        const char* resource;
        const char* nextMethod;
        bool keepsBody;
    } cases[] = {
        {301, HttpMethod::Post, "auth", "GET", false},
        {302, HttpMethod::Post, "auth", "GET", false},
        {303, HttpMethod::Post, "auth", "GET", false},
        {307, HttpMethod::Post, "auth", "POST", true},
        {308, HttpMethod::Post, "auth", "POST", true},
        {302, HttpMethod::Get, "GetAgencyInvoices", "GET", true},
        {303, HttpMethod::Get, "GetAgencyInvoices", "GET", true},
    };
    const std::string body = R"({"page": 1, "pageSize": 10})";
    for (const auto& c : cases) {
        script("/moved", redirect(c.status, std::string("/api/") + c.resource));
        samo.server.clearRequests();
        client.setBaseUrl(qs(samo.origin()));
        send(c.method, "moved", body, "Bearer tok-demo-1");
        const auto requests = samo.server.requests();
        ASSERT_EQ(requests.size(), 2u) << c.status;
        EXPECT_EQ(requests[1].target, std::string("/api/") + c.resource);
        EXPECT_EQ(requests[1].method, c.nextMethod) << c.status;
        EXPECT_EQ(requests[1].body, c.keepsBody ? body : "") << c.status;
        EXPECT_EQ(requests[1].hasHeader("Content-Type"), c.keepsBody) << c.status;
        EXPECT_EQ(requests[1].header("Authorization"), "Bearer tok-demo-1") << c.status; // same origin
    }
}

TEST_F(SamoHttp, RedirectToAnotherOriginDropsTheToken) {
    TestServer other;
    script("/api/GetAgencyInvoices", redirect(307, other.api() + "/GetAgencyInvoices"));
    Scenario open;
    open.requireToken = false;
    other.server.setScenario(open);
    EXPECT_EQ(
        send(HttpMethod::Get, "GetAgencyInvoices", R"({"page": 1, "pageSize": 10})", "Bearer tok-demo-1")
            .statusCode,
        200);
    const auto there = other.server.requests();
    ASSERT_EQ(there.size(), 1u);
    EXPECT_FALSE(there[0].hasHeader("Authorization"));
    EXPECT_EQ(there[0].body, R"({"page": 1, "pageSize": 10})");
}

TEST_F(SamoHttp, FiveRedirectsInARowAtMost) {
    Scenario s;
    for (int i = 1; i <= 5; ++i)
        s.pathReplies["/r" + std::to_string(i)] =
            redirect(302, i < 5 ? "/r" + std::to_string(i + 1) : "/api/auth");
    s.pathReplies["/loop"] = redirect(302, "/loop");
    samo.server.setScenario(s);
    client.setBaseUrl(qs(samo.origin()));
    EXPECT_EQ(send(HttpMethod::Post, "r1", "{}").statusCode, 405); // the POST arrived as a GET
    EXPECT_EQ(samo.server.requests().size(), 6u);
    samo.server.clearRequests();
    EXPECT_EQ(errorOf([&] { send(HttpMethod::Post, "loop", "{}"); }),
              "Number of redirects hit maximum amount: Maximum (5) redirects followed");
    EXPECT_EQ(samo.server.requests().size(), 6u);
}

TEST_F(SamoHttp, StatusLineOfServerErrors) {
    Reply plain;
    plain.status = 500;
    plain.body = "boom";
    Reply named;
    named.status = 503;
    named.reason = "Mentenanta SAMO";
    const std::pair<Reply, const char*> cases[] = {
        {plain, "HTTP/1.1 500 Internal Server Error"},
        {named, "HTTP/1.1 503 Mentenanta SAMO"},
    };
    for (const auto& [reply, error] : cases) {
        script("/api/auth", reply);
        EXPECT_EQ(errorOf([&] { send(HttpMethod::Post, "auth", "{}"); }), error);
    }
    Reply notFound;
    notFound.status = 404;
    notFound.body = "lipsa";
    script("/api/auth", notFound);
    const HttpResponse& response = send(HttpMethod::Post, "auth", "{}");
    EXPECT_EQ(response.statusCode, 404);
    EXPECT_EQ(response.statusLine, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(response.content, "lipsa");
}

TEST_F(SamoHttp, BodiesDecodeByTheirCharset) {
    const struct {
        std::string contentType;
        std::string body;
        std::string result; // content, or the error
    } cases[] = {
        {"application/json; charset=windows-1250", "{\"client\": \"\xAA\x74\x65\x66\x61\x6E \xDE\xE3ran\"}",
         "{\"client\": \"\xC5\x9E"
         "tefan \xC5\xA2\xC4\x83ran\"}"},
        {"application/json; charset=\"ISO-8859-2\"", "\xE3\xBA", "\xC4\x83\xC5\x9F"},
        {"application/json", "\xC4\x83", "\xC4\x83"},
        {"", "\xEF\xBB\xBF{}", "{}"},
        {"application/json; charset=koi8-r", "{}", "Setul de caractere necunoscut: koi8-r"},
        {"application/json; charset=utf-8", "{\"a\": \"\xE3\"}", "Raspunsul nu este UTF-8 valid"},
    };
    for (const auto& c : cases) {
        Reply r;
        r.contentType = c.contentType;
        r.body = c.body;
        script("/api/auth", r);
        std::string result;
        try {
            result = send(HttpMethod::Post, "auth", "{}").content;
        } catch (const AppError& e) {
            result = e.what();
        }
        EXPECT_EQ(result, c.result) << c.contentType;
    }
}

TEST_F(SamoHttp, LargeBodiesArriveWhole) {
    Reply r;
    r.contentType = "text/plain";
    r.body = std::string(20 << 20, 'x');
    r.body.back() = 'y';
    script("/api/auth", r);
    const HttpResponse& response = send(HttpMethod::Post, "auth", "{}");
    EXPECT_EQ(response.content.size(), r.body.size());
    EXPECT_EQ(response.content.back(), 'y');
    client.setMaxResponseBytesForTests(1 << 20);
    EXPECT_EQ(errorOf([&] { send(HttpMethod::Post, "auth", "{}"); }),
              "Raspunsul depaseste limita de 1048576 octeti");
}

TEST_F(SamoHttp, BrokenTransfers) {
    client.setTimeoutsForTests(2s, 700ms, 2s);
    Reply silent;
    silent.mode = Reply::Mode::NeverAnswer;
    Reply cut;
    cut.mode = Reply::Mode::CutBody;
    cut.body = std::string(4000, 'z');
    Reply closed;
    closed.mode = Reply::Mode::Close;
    const std::pair<Reply, std::string> cases[] = {
        {silent, "Timeout was reached: nothing received for 700 milliseconds"},
        {cut, "Transferred a partial file: transfer closed with 2000 bytes remaining to read"},
        {closed, "Server returned nothing (no headers, no data): Empty reply from server"},
    };
    for (const auto& [reply, error] : cases) {
        script("/api/auth", reply);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(errorOf([&] { send(HttpMethod::Post, "auth", "{}"); }), error);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    }
    // The handle stays usable after a failed transfer.
    samo.server.setScenario({});
    EXPECT_EQ(send(HttpMethod::Post, "auth", R"({"username": "u", "password": "p"})").statusCode, 200);
}

TEST_F(SamoHttp, ConnectionRefused) {
    std::string url;
    {
        TestServer gone;
        url = gone.api();
    } // its port is free again
    client.setBaseUrl(qs(url));
    const std::string error = errorOf([&] { send(HttpMethod::Post, "auth", "{}"); });
    EXPECT_TRUE(error.starts_with("Couldn't connect to server: Failed to connect to 127.0.0.1 port"))
        << error;
}

TEST_F(SamoHttp, IdleCallbackRunsWhileWaitingAndMayStopTheTransfer) {
    Reply slow;
    slow.delayMs = 1200;
    slow.body = R"({"token": "t"})";
    script("/api/auth", slow);
    int calls = 0;
    client.setIdleCallback([&] { ++calls; });
    EXPECT_EQ(send(HttpMethod::Post, "auth", "{}").content, R"({"token": "t"})");
    EXPECT_GE(calls, 2); // at once, and again while the server is silent

    client.setIdleCallback([] { throw std::runtime_error("fereastra inchisa"); });
    try {
        send(HttpMethod::Post, "auth", "{}");
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "fereastra inchisa");
        EXPECT_EQ(dynamic_cast<const AppError*>(&e), nullptr); // the callback's own exception
    }
    client.setIdleCallback({});
    slow.delayMs = 0;
    script("/api/auth", slow);
    EXPECT_EQ(send(HttpMethod::Post, "auth", "{}").content, R"({"token": "t"})");
}

// TLS: certificates are checked; tests add their own CA.
TEST_F(SamoHttp, TlsVerifiesTheCertificate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cert = dir.filePath("cert.pem");
    const QString key = dir.filePath("key.pem");
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert});
    ASSERT_TRUE(openssl.waitForFinished(30000));
    ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAllStandardError().toStdString();
    const auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    };
    SamoServer tls;
    tls.startTls(read(cert), read(key));
    client.setBaseUrl(qs(tls.baseUrl() + "/api"));
    const std::string error = errorOf([&] { send(HttpMethod::Post, "auth", "{}"); });
    EXPECT_TRUE(error.starts_with("SSL peer certificate or SSH remote key was not OK: ")) << error;
    EXPECT_TRUE(tls.requests().empty());

    client.setCaFileForTests(cert.toStdString());
    EXPECT_EQ(send(HttpMethod::Post, "auth", R"({"username": "u", "password": "p"})").statusCode, 200);
    ASSERT_EQ(tls.requests().size(), 1u);
}

} // namespace
