#pragma once

#include "data/Connection.h"
#include "data/PgHandles.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What the benchmark programs share: their command line, clocks, memory
// figures, the company database they are pointed at and how they report.
namespace bench {

// "--name value" pairs; a name given without value is refused.
class Options {
public:
    Options(int argc, char** argv);
    std::string text(const std::string& name, const std::string& fallback = {}) const;
    int integer(const std::string& name, int fallback) const;
    [[noreturn]] static void fail(const std::string& message);

private:
    std::map<std::string, std::string> values_;
};

// The company database of the benchmark run: user qor on a loopback cluster.
struct Database {
    std::string host = "127.0.0.1";
    int port = 5432;
    std::string name = "qor1";
    std::string user = "qor";
    std::string password;

    explicit Database(const Options& options);
    // The data module's company connection after a login: this server,
    // TLS when offered (the login lowers require to prefer), pooling on.
    void pointAt(db::Connection& conQor) const;
    // One plain libpq session with the settings db::Connection uses, for the baselines.
    db::SessionPtr connect() const;
    // A statement on a session of its own, e.g. a truncate between runs.
    void exec(const std::string& sql) const;
};

// Runs a statement on a session; throws std::runtime_error with the server's message.
db::ResultPtr run(PGconn* session, const std::string& sql, const std::vector<const char*>& params = {});

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start);
// CLOCK_MONOTONIC in nanoseconds, comparable between processes.
std::int64_t monotonicNanoseconds();

// Resident set size of this process, from /proc/self/statm.
std::int64_t residentBytes();
// Bytes malloc has handed out and not got back (arena and mmap'ed chunks).
std::int64_t heapInUseBytes();

// Sum of PQgetlength over every cell: the result's raw size.
std::int64_t rawBytes(const PGresult* result);

// One line "result key=value ..." on stdout for scripts/bench to read.
class Report {
public:
    void add(const std::string& key, double value);
    void add(const std::string& key, std::int64_t value);
    void add(const std::string& key, const std::string& value);
    void print() const;

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

} // namespace bench
