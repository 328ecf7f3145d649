#pragma once

#include <QString>
#include <exception>
#include <stdexcept>
#include <string>

// The program's one error kind: a message text, plus the SQLSTATE when the
// database reported one. Raised where the condition is found.
class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message, std::string sqlState = {});
    explicit AppError(const char* message) : AppError(std::string(message)) {}
    explicit AppError(const QString& message);
    const std::string& sqlState() const noexcept { return sqlState_; }

private:
    std::string sqlState_;
};

// The message of the innermost error with a non-empty text, following
// std::nested_exception links; the outer message when none is nested.
std::string innermostMessage(const std::exception& error);

// The text the error box shows for a message: a "." is appended when the
// last character sorts after "." (so a message ending in ")" or a blank stays as it is).
QString errorBoxText(const QString& message);
