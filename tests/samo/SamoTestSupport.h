// Shared by the SAMO client's tests: our test server and error capture.
#pragma once

#include "tests/support/Errors.h"

#include "SamoServer.h"
#include "app/AppError.h"

#include <QString>
#include <functional>
#include <string>

namespace samotest {

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A server answering on 127.0.0.1 under the prefix "/api".
struct TestServer {
    SamoServer server;
    explicit TestServer(const Scenario& scenario = {}) {
        server.setScenario(scenario);
        server.start();
    }
    std::string api() const { return server.baseUrl() + "/api"; }
    std::string origin() const { return server.baseUrl(); }
};

} // namespace samotest
