#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <string_view>

// The name an exported transaction's file gets: its date as yyyy-MM-dd (empty
// for a null date), "_id_", its number, ".json". Every character a Windows file
// name cannot hold (< > : " / \ | ? * and the control characters) becomes "_",
// on every platform, so the file always lands in the folder it is joined with.
QString exportFileName(const QDate& date, const QString& number);

// The file's bytes: a UTF-8 byte-order mark, the JSON text as stored (its own
// line breaks untouched), CR LF.
QByteArray exportFileContent(std::string_view jsonUtf8);
