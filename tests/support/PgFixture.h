#pragma once

#include "data/Connection.h"

#include <string>

// The test run's PostgreSQL clusters, started by tests/pg-fixture as a CTest
// fixture; the tests reach them through the state file it wrote.
class PgFixture {
public:
    static const PgFixture& get();

    std::string root;
    int tlsPort = 0;   // TLS cluster: qor_mob and qor1
    int plainPort = 0; // cluster without TLS: qor2
    std::string qorPassword;

    // Statements run as the superuser, outside the program's own layer.
    void exec(int port, const std::string& database, const std::string& sql) const;
    std::string scalar(int port, const std::string& database, const std::string& sql) const;

    // Settings for user qor on a database of one of the clusters.
    db::ConnectionSettings qorSettings(int port, const std::string& database, db::SslMode mode) const;

    // Empties the company and directory tables of every test database.
    void resetData() const;
};

// A file of the source tree, for tests that read committed samples.
std::string sourceFile(const std::string& relativePath);
// The absolute path of a file of the source tree.
std::string sourcePath(const std::string& relativePath);
