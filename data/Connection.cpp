#include "data/Connection.h"

#include "app/AppError.h"

#include <numeric>

namespace db {
namespace {

#ifdef _WIN32
constexpr const char* nullDevice = "nul";
#else
constexpr const char* nullDevice = "/dev/null";
#endif

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r'))
        text.pop_back();
    return text;
}

const char* sslModeName(SslMode mode) {
    return mode == SslMode::Require ? "require" : "prefer";
}

} // namespace

Connection::Connection(std::string name, ConnectionSettings settings)
    : name_(std::move(name)), settings_(std::move(settings)) {}

std::string Connection::sessionKey() const {
    const ConnectionSettings& s = settings_;
    return s.server + '\x1f' + std::to_string(s.port) + '\x1f' + s.database + '\x1f' + s.user + '\x1f' +
           s.password + '\x1f' + sslModeName(s.sslMode);
}

SessionPtr Connection::acquire(const std::string& key, bool& fromPool) {
    fromPool = false;
    if (auto found = pool_.find(key); found != pool_.end()) {
        auto& sessions = found->second;
        while (!sessions.empty()) {
            SessionPtr session = std::move(sessions.back());
            sessions.pop_back();
            // A session whose server went away since it was pooled notices it here.
            PQconsumeInput(session.get());
            if (PQstatus(session.get()) == CONNECTION_OK &&
                PQtransactionStatus(session.get()) == PQTRANS_IDLE) {
                fromPool = true;
                return session;
            }
        }
    }
    const std::string port = std::to_string(settings_.port);
    const std::string timeout = std::to_string(settings_.connectTimeoutSeconds);
    // Every setting is given explicitly, so that no PG* variable, password
    // file or service file of the machine changes where or how we connect.
    const char* keywords[] = {"host",
                              "port",
                              "dbname",
                              "user",
                              "password",
                              "sslmode",
                              "connect_timeout",
                              "client_encoding",
                              "passfile",
                              "service",
                              "gssencmode",
                              "options",
                              "application_name",
                              nullptr};
    const char* values[] = {settings_.server.c_str(),
                            port.c_str(),
                            settings_.database.c_str(),
                            settings_.user.c_str(),
                            settings_.password.c_str(),
                            sslModeName(settings_.sslMode),
                            timeout.c_str(),
                            "UTF8",
                            nullDevice,
                            "",
                            "disable",
                            "-c DateStyle=ISO,YMD",
                            "wimportfactcmarvo",
                            nullptr};
    SessionPtr session(PQconnectdbParams(keywords, values, 0));
    if (!session)
        throw AppError("out of memory allocating a PostgreSQL connection");
    if (PQstatus(session.get()) != CONNECTION_OK)
        throw AppError(trimmed(PQerrorMessage(session.get())));
    return session;
}

void Connection::release(const std::string& key, SessionPtr session) {
    if (!settings_.pooling || PQstatus(session.get()) != CONNECTION_OK ||
        PQtransactionStatus(session.get()) != PQTRANS_IDLE || pooledSessions() >= maxPooledSessions)
        return; // the session ends here
    pool_[key].push_back(std::move(session));
}

ResultPtr Connection::execute(const std::string& positionalSql, const ParamValues& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& value : params)
        values.push_back(value ? value->c_str() : nullptr);

    const std::string key = sessionKey();
    for (int attempt = 0;; ++attempt) {
        bool fromPool = false;
        SessionPtr session = acquire(key, fromPool);
        ResultPtr result(PQexecParams(session.get(), positionalSql.c_str(), static_cast<int>(values.size()),
                                      nullptr, values.data(), nullptr, nullptr, 0));
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
            release(key, std::move(session));
            return result;
        }
        // A pooled session can have lost its server (a restart) while it
        // waited; the statement never ran, so it is sent once more on a new one.
        if (fromPool && attempt == 0 && PQstatus(session.get()) == CONNECTION_BAD) {
            pool_.erase(key);
            continue;
        }
        const char* primary = result ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        const char* sqlState = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
        std::string message = primary ? primary : trimmed(PQerrorMessage(session.get()));
        release(key, std::move(session));
        throw AppError(message, sqlState ? sqlState : "");
    }
}

size_t Connection::pooledSessions() const {
    return std::accumulate(pool_.begin(), pool_.end(), size_t{0},
                           [](size_t sum, const auto& entry) { return sum + entry.second.size(); });
}

void Connection::clearPool() {
    pool_.clear();
}

} // namespace db
