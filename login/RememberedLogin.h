#pragma once

#include <QString>
#include <optional>

// The last company and user name typed at login, kept between runs in
// "QorNelvo.json" in the per-user folder. Never the password.
struct RememberedLogin {
    static constexpr int maxLength = 200; // each field holds at most this many characters
    QString company;
    QString username;
};

QString rememberedLoginPath();

// std::nullopt when there is no file; throws AppError when the file exists
// but cannot be read or is not ours.
std::optional<RememberedLogin> loadRememberedLogin(const QString& path);
// Replaces the file whole (temporary file renamed over it); throws AppError.
void storeRememberedLogin(const QString& path, const RememberedLogin& login);
