#pragma once

#include "app/AppError.h"

#include <functional>
#include <string>

// The message of the error an action raises, or "<no error>".
inline std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.what();
    }
    return "<no error>";
}
