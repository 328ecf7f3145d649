// Page generation and the bits of JSON writing the server shares with it.
#pragma once

#include "SamoServer.h"

#include <string>
#include <string_view>

namespace samotest::detail {

// A JSON string literal (quotes included); UTF-8 passes through unescaped.
std::string jsonString(std::string_view text);

// {"message": "<text>"}
std::string jsonMessage(std::string_view text);

// The normal list answer for any page number, including ones outside the scenario.
std::string pageBody(const Scenario& scenario, qint64 page);

// Transactions on a page: 10, lastPageItems on the last one, 0 outside.
int itemsOnPage(const Scenario& scenario, qint64 page);

} // namespace samotest::detail
