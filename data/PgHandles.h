#pragma once

#include <libpq-fe.h>
#include <memory>

// libpq objects owned by smart pointers whose deleters release them, so that
// no path (errors included) leaks a result or a session.
namespace db {

struct ResultDeleter {
    void operator()(PGresult* result) const noexcept { PQclear(result); }
};
struct SessionDeleter {
    void operator()(PGconn* session) const noexcept { PQfinish(session); }
};

using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;
// Results are shared: an open query and the views over it read the same rows.
using SharedResult = std::shared_ptr<const PGresult>;
using SessionPtr = std::unique_ptr<PGconn, SessionDeleter>;

inline SharedResult share(ResultPtr result) {
    return SharedResult(result.release(), ResultDeleter{});
}

} // namespace db
