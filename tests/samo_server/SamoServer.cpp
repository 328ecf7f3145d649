#include "SamoServer.h"

#include "SamoPages.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <climits>
#include <cmath>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace samotest {

namespace {

constexpr qsizetype kMaxHeadBytes = 64 * 1024;
constexpr qint64 kMaxBodyBytes = 64ll * 1024 * 1024;
constexpr std::size_t kMaxCachedPageBytes = 256u * 1024 * 1024;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Whether a comma-separated header value (Connection) holds the token.
bool hasToken(std::string_view value, std::string_view token) {
    while (!value.empty()) {
        const auto comma = value.find(',');
        if (iequals(trimmed(value.substr(0, comma)), token))
            return true;
        if (comma == std::string_view::npos)
            break;
        value.remove_prefix(comma + 1);
    }
    return false;
}

const char* reasonPhrase(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 202:
        return "Accepted";
    case 204:
        return "No Content";
    case 300:
        return "Multiple Choices";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 417:
        return "Expectation Failed";
    case 422:
        return "Unprocessable Content";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "";
    }
}

Reply jsonReply(int status, std::string body) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

Reply messageReply(int status, std::string_view message) {
    return jsonReply(status, detail::jsonMessage(message));
}

// Path part of a request target: no query or fragment, no scheme and authority.
std::string_view pathOf(std::string_view target) {
    for (std::string_view scheme : {"http://", "https://"}) {
        if (target.size() > scheme.size() && iequals(target.substr(0, scheme.size()), scheme)) {
            const auto slash = target.find('/', scheme.size());
            target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
            break;
        }
    }
    return target.substr(0, target.find_first_of("?#"));
}

// The resource is the last path segment, so a base URL may carry a prefix.
std::string_view resourceOf(std::string_view path) {
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

struct PageRequest {
    std::optional<qint64> page; // set when the body is valid
    std::string error;          // why it is not
};

PageRequest parsePageBody(const std::string& body) {
    PageRequest result;
    if (body.empty()) {
        result.error = "Missing request body, expected {\"page\": n, \"pageSize\": 10}";
        return result;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(body), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        result.error = "Request body is not a JSON object";
        return result;
    }
    const QJsonObject o = doc.object();
    const QJsonValue page = o.value(QStringLiteral("page"));
    const QJsonValue pageSize = o.value(QStringLiteral("pageSize"));
    const double p = page.toDouble(std::nan(""));
    if (!page.isDouble() || std::floor(p) != p || std::fabs(p) > 9e15) {
        result.error = "\"page\" must be an integer";
        return result;
    }
    if (!pageSize.isDouble() || pageSize.toDouble() != 10) {
        result.error = "\"pageSize\" must be 10";
        return result;
    }
    result.page = qint64(p);
    return result;
}

// State shared between the owning thread and the server thread.
struct Shared {
    mutable std::mutex mutex;
    std::shared_ptr<const Scenario> scenario = std::make_shared<Scenario>();
    int requestCount = 0; // since the last setScenario()
    int authCount = 0;
    std::vector<RecordedRequest> recorded;
    std::map<qint64, std::shared_ptr<const std::string>> pageCache; // for the current scenario
    std::size_t pageCacheBytes = 0;

    void resetScenario(std::shared_ptr<const Scenario> s) {
        std::lock_guard lock(mutex);
        scenario = std::move(s);
        requestCount = 0;
        authCount = 0;
        pageCache.clear();
        pageCacheBytes = 0;
    }

    std::shared_ptr<const std::string> page(const std::shared_ptr<const Scenario>& s, qint64 n) {
        {
            std::lock_guard lock(mutex);
            if (s == scenario)
                if (auto it = pageCache.find(n); it != pageCache.end())
                    return it->second;
        }
        auto body = std::make_shared<const std::string>(detail::pageBody(*s, n));
        std::lock_guard lock(mutex);
        if (s == scenario && pageCacheBytes + body->size() <= kMaxCachedPageBytes) {
            pageCache.emplace(n, body);
            pageCacheBytes += body->size();
        }
        return body;
    }

    // Records a request and counts it; returns its ordinal.
    int record(const RecordedRequest& req, std::shared_ptr<const Scenario>* current = nullptr) {
        std::lock_guard lock(mutex);
        recorded.push_back(req);
        if (current)
            *current = scenario;
        return ++requestCount;
    }

    Reply answer(const RecordedRequest& req);
    Reply answerAuth(const Scenario& s, const RecordedRequest& req);
    Reply answerList(const std::shared_ptr<const Scenario>& s, const RecordedRequest& req);
};

Reply Shared::answer(const RecordedRequest& req) {
    std::shared_ptr<const Scenario> s;
    const int ordinal = record(req, &s);
    if (auto it = s->requestReplies.find(ordinal); it != s->requestReplies.end())
        return it->second;
    const std::string_view path = pathOf(req.target);
    if (auto it = s->pathReplies.find(req.target); it != s->pathReplies.end())
        return it->second;
    if (auto it = s->pathReplies.find(std::string(path)); it != s->pathReplies.end())
        return it->second;
    const std::string_view resource = resourceOf(path);
    if (resource == "auth")
        return answerAuth(*s, req);
    if (resource == "GetAgencyInvoices")
        return answerList(s, req);
    return messageReply(404, "Not found: " + std::string(path));
}

Reply Shared::answerAuth(const Scenario& s, const RecordedRequest& req) {
    int ordinal = 0;
    {
        std::lock_guard lock(mutex);
        ordinal = ++authCount;
    }
    if (auto it = s.authReplies.find(ordinal); it != s.authReplies.end())
        return it->second;
    if (req.method != "POST") {
        Reply r = messageReply(405, "Method not allowed, use POST");
        r.headers.emplace_back("Allow", "POST");
        return r;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return messageReply(400, "Request body is not valid JSON");
    const QJsonValue user = doc.object().value(QStringLiteral("username"));
    const QJsonValue password = doc.object().value(QStringLiteral("password"));
    if (!user.isString() || !password.isString())
        return messageReply(400, "\"username\" and \"password\" are required");
    if (!s.user.empty() &&
        (user.toString().toStdString() != s.user || password.toString().toStdString() != s.password))
        return messageReply(401, "Invalid username or password");
    Reply r = jsonReply(200, "{\"token\": " + detail::jsonString(s.token) + "}");
    if (!s.cookie.empty())
        r.headers.emplace_back("Set-Cookie", s.cookie + "; Path=/");
    return r;
}

Reply Shared::answerList(const std::shared_ptr<const Scenario>& s, const RecordedRequest& req) {
    if (req.method != "GET" && req.method != "POST") {
        Reply r = messageReply(405, "Method not allowed, use GET");
        r.headers.emplace_back("Allow", "GET, POST");
        return r;
    }
    const PageRequest pr = parsePageBody(req.body);
    if (pr.page && *pr.page >= INT_MIN && *pr.page <= INT_MAX)
        if (auto it = s->pageReplies.find(int(*pr.page)); it != s->pageReplies.end())
            return it->second;
    if (s->requireToken && req.header("Authorization") != "Bearer " + s->token)
        return messageReply(401, "Missing or invalid bearer token");
    if (!pr.page)
        return messageReply(400, pr.error);
    return jsonReply(200, *page(s, *pr.page));
}

// One client connection: reads requests one after the other and answers each
// before looking at the next, so pipelined requests keep their order.
class Connection : public QObject {
public:
    Connection(QTcpSocket* socket, Shared& shared, QObject* parent)
        : QObject(parent), socket_(socket), shared_(shared) {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::readAvailable);
        connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        // A TLS socket may already hold data read during the handshake.
        if (socket_->bytesAvailable() > 0)
            QTimer::singleShot(0, this, &Connection::readAvailable);
    }

private:
    void readAvailable() {
        const QByteArray data = socket_->readAll();
        if (closing_)
            return;
        buffer_ += data;
        process();
    }
    void process();
    int parseHead(const QByteArray& head, std::string& error);
    void reject(int status, const std::string& message);
    void deliver(const Reply& reply, bool keepAlive, int version);

    QTcpSocket* socket_;
    Shared& shared_;
    QByteArray buffer_;
    bool busy_ = false;    // an answer is pending; later requests wait for it
    bool closing_ = false; // no more answers on this connection
    bool haveHead_ = false;
    RecordedRequest request_;
    qint64 bodyLength_ = 0;
    bool keepAlive_ = true;
    bool expectContinue_ = false;
};

void Connection::process() {
    while (!busy_ && !closing_) {
        if (!haveHead_) {
            // Empty lines before a request line are to be ignored.
            while (buffer_.startsWith("\r\n") || buffer_.startsWith("\n"))
                buffer_.remove(0, buffer_.startsWith("\n") ? 1 : 2);
            qsizetype pos = 0, end = -1;
            for (;;) {
                const qsizetype nl = buffer_.indexOf('\n', pos);
                if (nl < 0)
                    break;
                const qsizetype len = nl - pos - (nl > pos && buffer_[nl - 1] == '\r' ? 1 : 0);
                pos = nl + 1;
                if (len == 0) {
                    end = pos;
                    break;
                }
            }
            if (end < 0) {
                if (buffer_.size() > kMaxHeadBytes)
                    reject(431, "Request head too large");
                return;
            }
            const QByteArray head = buffer_.left(end);
            buffer_.remove(0, end);
            request_ = RecordedRequest{};
            std::string error;
            if (const int status = parseHead(head, error)) {
                shared_.record(request_);
                reject(status, error);
                return;
            }
            haveHead_ = true;
            if (expectContinue_ && bodyLength_ > 0 && buffer_.size() < bodyLength_)
                socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
        }
        if (buffer_.size() < bodyLength_)
            return;
        request_.body = buffer_.left(bodyLength_).toStdString();
        buffer_.remove(0, bodyLength_);
        haveHead_ = false;
        const RecordedRequest request = std::move(request_);
        const bool keepAlive = keepAlive_;
        const int version = request.version == "HTTP/1.0" ? 0 : 1;
        const Reply reply = shared_.answer(request);
        if (reply.mode == Reply::Mode::NeverAnswer) {
            busy_ = true; // for good: nothing more is read from this connection
            return;
        }
        if (reply.delayMs > 0) {
            busy_ = true;
            QTimer::singleShot(reply.delayMs, this, [this, reply, keepAlive, version] {
                busy_ = false;
                deliver(reply, keepAlive, version);
                process();
            });
            return;
        }
        deliver(reply, keepAlive, version);
    }
}

// Fills request_ and the framing fields; returns 0 or the status to reject with.
int Connection::parseHead(const QByteArray& head, std::string& error) {
    std::vector<std::string_view> lines;
    std::string_view rest(head.constData(), std::size_t(head.size()));
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines.push_back(line);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
    }
    if (lines.empty()) {
        error = "Empty request";
        return 400;
    }
    {
        const std::string_view line = lines.front();
        const auto sp1 = line.find(' ');
        const auto sp2 = sp1 == std::string_view::npos ? sp1 : line.find(' ', sp1 + 1);
        if (sp2 == std::string_view::npos || line.find(' ', sp2 + 1) != std::string_view::npos || sp1 == 0 ||
            sp2 == sp1 + 1 || sp2 + 1 == line.size()) {
            request_.target = std::string(line);
            error = "Malformed request line";
            return 400;
        }
        request_.method = std::string(line.substr(0, sp1));
        request_.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
        request_.version = std::string(line.substr(sp2 + 1));
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto colon = line.find(':');
        if (line.front() == ' ' || line.front() == '\t' || colon == std::string_view::npos || colon == 0 ||
            line.substr(0, colon).find_first_of(" \t") != std::string_view::npos) {
            error = "Malformed header line";
            return 400;
        }
        request_.headers.emplace_back(std::string(line.substr(0, colon)),
                                      std::string(trimmed(line.substr(colon + 1))));
    }
    if (request_.version != "HTTP/1.1" && request_.version != "HTTP/1.0") {
        error = "Unsupported protocol version";
        return request_.version.rfind("HTTP/", 0) == 0 ? 505 : 400;
    }
    bodyLength_ = 0;
    std::optional<qint64> length;
    for (const auto& [name, value] : request_.headers) {
        if (iequals(name, "Transfer-Encoding")) {
            error = "Transfer-Encoding is not supported, send Content-Length";
            return 411;
        }
        if (!iequals(name, "Content-Length"))
            continue;
        bool ok = !value.empty() && value.size() <= 18 &&
                  value.find_first_not_of("0123456789") == std::string::npos;
        const qint64 n = ok ? std::stoll(value) : -1;
        if (!ok || (length && *length != n)) {
            error = "Invalid Content-Length";
            return 400;
        }
        length = n;
    }
    if (length && *length > kMaxBodyBytes) {
        error = "Request body too large";
        return 413;
    }
    bodyLength_ = length.value_or(0);
    const std::string connection = request_.header("Connection");
    keepAlive_ =
        request_.version == "HTTP/1.1" ? !hasToken(connection, "close") : hasToken(connection, "keep-alive");
    expectContinue_ = iequals(request_.header("Expect"), "100-continue");
    return 0;
}

void Connection::reject(int status, const std::string& message) {
    deliver(messageReply(status, message), false, 1);
}

void Connection::deliver(const Reply& reply, bool keepAlive, int version) {
    if (closing_)
        return;
    if (reply.mode == Reply::Mode::Close) {
        closing_ = true;
        socket_->disconnectFromHost();
        return;
    }
    bool close = !keepAlive || reply.mode == Reply::Mode::CutBody;
    bool haveLength = false;
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                      (reply.reason.empty() ? reasonPhrase(reply.status) : reply.reason) + "\r\n";
    if (!reply.contentType.empty())
        out += "Content-Type: " + reply.contentType + "\r\n";
    for (const auto& [name, value] : reply.headers) {
        out += name + ": " + value + "\r\n";
        haveLength = haveLength || iequals(name, "Content-Length");
        close = close || (iequals(name, "Connection") && hasToken(value, "close"));
    }
    if (!haveLength)
        out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (close)
        out += "Connection: close\r\n";
    else if (version == 0)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    if (reply.mode == Reply::Mode::CutBody)
        out.append(reply.body, 0, reply.body.size() / 2);
    else
        out += reply.body;
    socket_->write(out.data(), qint64(out.size()));
    if (close) {
        closing_ = true;
        socket_->disconnectFromHost(); // after the written bytes have gone out
    }
}

// Lives in the server thread and owns the listening socket and the connections.
class ServerCore : public QObject {
public:
    explicit ServerCore(Shared& shared) : shared_(shared) {}

    // Returns an error text, empty on success.
    std::string listen(quint16 port, const std::string* certPem, const std::string* keyPem) {
        if (certPem) {
            if (!QSslSocket::supportsSsl())
                return "TLS is not available (no TLS backend)";
            const auto chain = QSslCertificate::fromData(QByteArray::fromStdString(*certPem), QSsl::Pem);
            if (chain.isEmpty())
                return "no certificate found in the certificate PEM";
            QSslKey key;
            for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
                key = QSslKey(QByteArray::fromStdString(*keyPem), algorithm, QSsl::Pem);
                if (!key.isNull())
                    break;
            }
            if (key.isNull())
                return "the private key PEM could not be read";
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificateChain(chain);
            config.setPrivateKey(key);
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            auto* server = new QSslServer(this);
            server->setSslConfiguration(config);
            server_ = server;
        } else {
            server_ = new QTcpServer(this);
        }
        // Not newConnection: a TLS server queues a connection only after its handshake.
        connect(server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection())
                new Connection(socket, shared_, this);
        });
        if (!server_->listen(QHostAddress::LocalHost, port)) {
            const std::string error = server_->errorString().toStdString();
            delete server_;
            server_ = nullptr;
            return error;
        }
        return {};
    }

    quint16 port() const { return server_ ? server_->serverPort() : 0; }

    void shutdown() {
        delete server_;
        server_ = nullptr;
        // Deleting a connection aborts its socket.
        qDeleteAll(findChildren<Connection*>(Qt::FindDirectChildrenOnly));
    }

private:
    Shared& shared_;
    QTcpServer* server_ = nullptr;
};

// Qt delivers no event at all (queued calls, timers, socket notifications)
// while no application object exists, and a gtest main creates none. So one
// is made here when needed, in the starting thread, and kept until exit.
void ensureApplication() {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "samo_test_server";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv); // deliberately never deleted: other Qt objects may outlive us
}

} // namespace

std::string RecordedRequest::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (iequals(n, name))
            return v;
    return {};
}

bool RecordedRequest::hasHeader(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (iequals(n, name))
            return true;
    return false;
}

struct SamoServer::Impl {
    Shared shared;
    std::unique_ptr<QThread> thread;
    ServerCore* core = nullptr;
    quint16 port = 0;
    bool tls = false;

    quint16 start(quint16 wanted, const std::string* certPem, const std::string* keyPem) {
        if (thread)
            throw std::runtime_error("SAMO test server is already running");
        ensureApplication();
        thread = std::make_unique<QThread>();
        thread->setObjectName(QStringLiteral("samo-test-server"));
        core = new ServerCore(shared);
        core->moveToThread(thread.get());
        thread->start();
        std::string error;
        quint16 bound = 0;
        QMetaObject::invokeMethod(
            core,
            [&] {
                error = core->listen(wanted, certPem, keyPem);
                bound = core->port();
            },
            Qt::BlockingQueuedConnection);
        if (!error.empty()) {
            stop();
            throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(wanted) + ": " + error);
        }
        {
            std::lock_guard lock(shared.mutex);
            shared.requestCount = 0;
            shared.authCount = 0;
        }
        port = bound;
        tls = certPem != nullptr;
        return port;
    }

    void stop() {
        if (!thread)
            return;
        QMetaObject::invokeMethod(
            core, [this] { core->shutdown(); }, Qt::BlockingQueuedConnection);
        thread->quit();
        thread->wait();
        delete core; // its thread has ended and nothing of it is active any more
        core = nullptr;
        thread.reset();
    }
};

SamoServer::SamoServer() : d(std::make_unique<Impl>()) {}

SamoServer::~SamoServer() {
    d->stop();
}

void SamoServer::setScenario(const Scenario& scenario) {
    d->shared.resetScenario(std::make_shared<const Scenario>(scenario));
}

quint16 SamoServer::start(quint16 port) {
    return d->start(port, nullptr, nullptr);
}

quint16 SamoServer::startTls(const std::string& certPem, const std::string& keyPem, quint16 port) {
    return d->start(port, &certPem, &keyPem);
}

void SamoServer::stop() {
    d->stop();
}

std::string SamoServer::baseUrl() const {
    return std::string(d->tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(d->port);
}

std::vector<RecordedRequest> SamoServer::requests() const {
    std::lock_guard lock(d->shared.mutex);
    return d->shared.recorded;
}

void SamoServer::clearRequests() {
    std::lock_guard lock(d->shared.mutex);
    d->shared.recorded.clear();
}

} // namespace samotest
