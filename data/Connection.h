#pragma once

#include "data/PgHandles.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace db {

// libpq's own meanings: require demands TLS, prefer falls back to plain.
enum class SslMode { Require, Prefer };

struct ConnectionSettings {
    std::string server;
    int port = 5432;
    std::string database;
    std::string user;
    std::string password;
    SslMode sslMode = SslMode::Require;
    int connectTimeoutSeconds = 15;
    bool pooling = false;
};

using ParamValues = std::vector<std::optional<std::string>>; // std::nullopt is SQL NULL

// A PostgreSQL connection in disconnected mode: every statement connects
// implicitly (or takes a pooled session), runs, fetches all its rows and
// releases the session again. Callers never open or close it.
class Connection {
public:
    static constexpr size_t maxPooledSessions = 100;

    Connection(std::string name, ConnectionSettings settings);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& name() const { return name_; }
    const ConnectionSettings& settings() const { return settings_; }

    // Server, port and database take effect at the next implicit connect;
    // sessions pooled for the old target stay with that target.
    void setServer(const std::string& server) { settings_.server = server; }
    void setPort(int port) { settings_.port = port; }
    void setDatabase(const std::string& database) { settings_.database = database; }
    void setSslMode(SslMode mode) { settings_.sslMode = mode; }
    void setUser(const std::string& user) { settings_.user = user; }
    void setPassword(const std::string& password) { settings_.password = password; }
    void setConnectTimeout(int seconds) { settings_.connectTimeoutSeconds = seconds; }

    // Runs one statement with its parameters bound as text of unspecified type
    // (the server infers each type). Throws AppError with libpq's message.
    ResultPtr execute(const std::string& positionalSql, const ParamValues& params);

    // Sessions waiting in the pool, over every target.
    size_t pooledSessions() const;
    // Finishes every pooled session.
    void clearPool();

private:
    std::string sessionKey() const;
    SessionPtr acquire(const std::string& key, bool& fromPool);
    void release(const std::string& key, SessionPtr session);

    std::string name_;
    ConnectionSettings settings_;
    std::map<std::string, std::vector<SessionPtr>> pool_;
};

} // namespace db
