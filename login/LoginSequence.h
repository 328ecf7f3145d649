#pragma once

#include <QString>

class TdmCon;
namespace db {
class Query;
}

struct LoginInput {
    QString company;
    QString user;
    QString password;
};

// The login's checks, from the company name (session field) to the report
// server protocol: finds the company in the directory (dsQorMobil), points
// the company connection at it, checks the user, the application and the
// user's assignment, and fills the session fields. Throws AppError with the
// user's message; the directory query and two company queries are closed
// again on every path once the lookup has run.
void runLoginSequence(TdmCon& dm, db::Query& dsQorMobil, const LoginInput& input);

// SHA-256 of the text's UTF-8 bytes as 64 lower-case hex digits.
QString sha256Hex(const QString& text);

// "http" when the report address contains "8080" anywhere, else "https".
QString jasProtocol(const QString& jasIp);
