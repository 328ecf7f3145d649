// A scriptable stand-in for the SAMO HTTP API, used by the tests, the demo and
// the benchmark. It speaks HTTP/1.1 itself (on QTcpServer / QSslServer) so that
// answers can be broken at the byte level, and runs in its own thread so that
// a test's main thread may block in a synchronous HTTP client meanwhile.
#pragma once

#include <QtGlobal>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace samotest {

// A scripted answer replacing the normal one.
struct Reply {
    int status = 200;
    std::string reason; // empty: the standard reason phrase for the status
    std::string body;   // raw bytes sent as the body
    std::string contentType = "application/json; charset=utf-8"; // exact value; empty: no header
    // Extra headers (Location, Set-Cookie, ...). A "Content-Length" given here
    // replaces the computed one; "Connection: close" closes after the answer.
    std::vector<std::pair<std::string, std::string>> headers;
    int delayMs = 0; // wait before answering; other connections go on meanwhile
    enum class Mode {
        Normal,
        NeverAnswer, // read the request, never answer, keep the socket open
        CutBody,     // headers with the full Content-Length, half the body, then close
        Close        // close the connection without any answer
    } mode = Mode::Normal;
};

struct Scenario {
    std::string token = "tok-demo-1"; // the "token" member of the auth answer
    std::string user, password;       // user non-empty: other credentials get 401
    int pages = 3;                    // pages holding transactions; the next one is empty
    int lastPageItems = 10;           // transactions on the last non-empty page (others: 10)
    std::string idPrefix = "SAMO-";   // ids: idPrefix + 9-digit running number
    int daysBack = 30;                // dates lie in the last daysBack days, today included
    unsigned seed = 1;                // same scenario (and day), same bytes
    int itemBytes = 0;                // 0: natural size; else pad each transaction to about this
    std::string cookie;               // non-empty: auth answer sets "Set-Cookie: <cookie>; Path=/"
    bool requireToken = true;         // list requests without "Bearer " + token get 401
    // Scripted answers. Ordinals count from the last setScenario() (or start()).
    std::map<int, Reply> authReplies;         // by ordinal of auth requests (1-based)
    std::map<int, Reply> pageReplies;         // by page number asked for in a valid list body
    std::map<int, Reply> requestReplies;      // by overall request ordinal (1-based), checked first
    std::map<std::string, Reply> pathReplies; // by request target or its path, before routing
};

struct RecordedRequest {
    std::string method, target, version;                      // "GET", "/api/GetAgencyInvoices", "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers; // as received, in order
    std::string body;
    std::string header(std::string_view name) const; // case-insensitive, "" when absent
    bool hasHeader(std::string_view name) const;
};

class SamoServer {
public:
    SamoServer();
    ~SamoServer(); // stops the server
    SamoServer(const SamoServer&) = delete;
    SamoServer& operator=(const SamoServer&) = delete;

    void setScenario(const Scenario&); // thread-safe, may be called while running
    quint16 start(quint16 port = 0);   // 0: any free port; throws std::runtime_error on failure
    quint16 startTls(const std::string& certPem, const std::string& keyPem, quint16 port = 0);
    void stop();
    std::string baseUrl() const;                   // "http://127.0.0.1:<port>" (https for TLS)
    std::vector<RecordedRequest> requests() const; // every request received so far
    void clearRequests();

    static std::string pageJson(const Scenario&, int page); // body of a normal list answer

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace samotest
