#include "app/AppError.h"

AppError::AppError(const std::string& message, std::string sqlState)
    : std::runtime_error(message), sqlState_(std::move(sqlState)) {}

AppError::AppError(const QString& message) : AppError(message.toStdString()) {}

std::string innermostMessage(const std::exception& error) {
    std::string found = error.what();
    try {
        std::rethrow_if_nested(error);
    } catch (const std::exception& inner) {
        std::string innerMessage = innermostMessage(inner);
        if (!innerMessage.empty())
            found = innerMessage;
    } catch (...) {
    }
    return found;
}

QString errorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > QChar(u'.'))
        return message + u'.';
    return message;
}
