#include "tests/support/PgFixture.h"

#include "data/PgHandles.h"

#include <fstream>
#include <map>
#include <stdexcept>

namespace {

db::SessionPtr superuser(int port, const std::string& database) {
    const std::string conninfo = "host=127.0.0.1 port=" + std::to_string(port) + " dbname=" + database +
                                 " user=postgres sslmode=disable application_name=wimport_tests";
    db::SessionPtr session(PQconnectdb(conninfo.c_str()));
    if (PQstatus(session.get()) != CONNECTION_OK)
        throw std::runtime_error("test superuser connect: " + std::string(PQerrorMessage(session.get())));
    return session;
}

db::ResultPtr run(int port, const std::string& database, const std::string& sql) {
    db::SessionPtr session = superuser(port, database);
    db::ResultPtr result(PQexec(session.get(), sql.c_str()));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw std::runtime_error("test SQL failed: " + std::string(PQerrorMessage(session.get())) + "\n" +
                                 sql);
    return result;
}

} // namespace

const PgFixture& PgFixture::get() {
    static const PgFixture fixture = [] {
        const char* path = WIMPORT_TEST_PG_STATE;
        std::ifstream in(path);
        if (!in)
            throw std::runtime_error(std::string("cannot read ") + path + ": is the pg fixture running?");
        std::map<std::string, std::string> values;
        for (std::string line; std::getline(in, line);)
            if (const auto eq = line.find('='); eq != std::string::npos)
                values[line.substr(0, eq)] = line.substr(eq + 1);
        PgFixture f;
        f.root = values.at("ROOT");
        f.tlsPort = std::stoi(values.at("TLS_PORT"));
        f.plainPort = std::stoi(values.at("PLAIN_PORT"));
        f.qorPassword = values.at("QOR_PASSWORD");
        return f;
    }();
    return fixture;
}

void PgFixture::exec(int port, const std::string& database, const std::string& sql) const {
    run(port, database, sql);
}

std::string PgFixture::scalar(int port, const std::string& database, const std::string& sql) const {
    db::ResultPtr result = run(port, database, sql);
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
        return {};
    return PQgetvalue(result.get(), 0, 0);
}

db::ConnectionSettings PgFixture::qorSettings(int port, const std::string& database, db::SslMode mode) const {
    db::ConnectionSettings s;
    s.server = "127.0.0.1";
    s.port = port;
    s.database = database;
    s.user = "qor";
    s.password = qorPassword;
    s.sslMode = mode;
    return s;
}

void PgFixture::resetData() const {
    const std::string company = "truncate emitent, eu, aplicatie_mob, aplicatie_mob_emitent, config_samo, "
                                "log_samo_factc";
    exec(tlsPort, "qor_mob", "truncate m_firma");
    exec(tlsPort, "qor1", company);
    exec(plainPort, "qor2", company);
}

std::string sourceFile(const std::string& relativePath) {
    std::ifstream in(std::string(WIMPORT_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + relativePath);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string sourcePath(const std::string& relativePath) {
    return std::string(WIMPORT_SOURCE_DIR) + "/" + relativePath;
}
