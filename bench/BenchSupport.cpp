#include "bench/BenchSupport.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace bench {

Options::Options(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || i + 1 >= argc)
            fail("expected --name value, got '" + arg + "'");
        values_[arg.substr(2)] = argv[++i];
    }
}

std::string Options::text(const std::string& name, const std::string& fallback) const {
    const auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second;
}

int Options::integer(const std::string& name, int fallback) const {
    const auto found = values_.find(name);
    if (found == values_.end())
        return fallback;
    try {
        return std::stoi(found->second);
    } catch (const std::exception&) {
        fail("--" + name + " needs a number, got '" + found->second + "'");
    }
}

void Options::fail(const std::string& message) {
    std::cerr << "bench: " << message << '\n';
    std::exit(2);
}

Database::Database(const Options& options)
    : host(options.text("host", "127.0.0.1")), port(options.integer("port", 5432)),
      name(options.text("database", "qor1")), user(options.text("user", "qor")),
      password(options.text("password")) {}

void Database::pointAt(db::Connection& conQor) const {
    conQor.setServer(host);
    conQor.setPort(port);
    conQor.setDatabase(name);
    conQor.setUser(user);
    conQor.setPassword(password);
    conQor.setSslMode(db::SslMode::Prefer);
}

db::SessionPtr Database::connect() const {
    const std::string portText = std::to_string(port);
    // The settings db::Connection gives every session, so both sides talk
    // to the server the same way (TLS included).
    const char* keywords[] = {
        "host",     "port",       "dbname",  "user", "password", "sslmode", "client_encoding",
        "passfile", "gssencmode", "options", nullptr};
    const char* values[] = {
        host.c_str(), portText.c_str(), name.c_str(), user.c_str(),           password.c_str(), "prefer",
        "UTF8",       "/dev/null",      "disable",    "-c DateStyle=ISO,YMD", nullptr};
    db::SessionPtr session(PQconnectdbParams(keywords, values, 0));
    if (!session || PQstatus(session.get()) != CONNECTION_OK)
        throw std::runtime_error("connect: " +
                                 std::string(session ? PQerrorMessage(session.get()) : "no memory"));
    return session;
}

void Database::exec(const std::string& sql) const {
    const db::SessionPtr session = connect();
    run(session.get(), sql);
}

db::ResultPtr run(PGconn* session, const std::string& sql, const std::vector<const char*>& params) {
    db::ResultPtr result(PQexecParams(session, sql.c_str(), static_cast<int>(params.size()), nullptr,
                                      params.data(), nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error(std::string(PQerrorMessage(session)) + "in: " + sql.substr(0, 200));
    return result;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::int64_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

std::int64_t heapInUseBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<std::int64_t>(info.uordblks + info.hblkhd);
}

std::int64_t rawBytes(const PGresult* result) {
    std::int64_t bytes = 0;
    const int rows = PQntuples(result), columns = PQnfields(result);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            bytes += PQgetlength(result, r, c);
    return bytes;
}

void Report::add(const std::string& key, double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    items_.emplace_back(key, text);
}

void Report::add(const std::string& key, std::int64_t value) {
    items_.emplace_back(key, std::to_string(value));
}

void Report::add(const std::string& key, const std::string& value) {
    items_.emplace_back(key, value);
}

void Report::print() const {
    std::ostringstream line;
    line << "result";
    for (const auto& [key, value] : items_)
        line << ' ' << key << '=' << value;
    std::cout << line.str() << std::endl;
}

} // namespace bench
