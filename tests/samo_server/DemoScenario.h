#pragma once

#include "SamoServer.h"

namespace samotest {

// What the demo's SAMO server serves, and what the end-to-end test expects:
// four full pages and a short fifth of fresh transactions, behind the
// credentials that scripts/demo-data/seed-company.sql puts in config_samo.
inline Scenario demoScenario() {
    Scenario s;
    s.token = "tok-demo-marvo";
    s.user = "marvo.api";
    s.password = "samo-demo-secret";
    s.pages = 5;
    s.lastPageItems = 7;
    s.daysBack = 30;
    s.seed = 7;
    s.cookie = "samo_session=demo";
    return s;
}

} // namespace samotest
