#pragma once

#include <QByteArray>
#include <QString>

// The per-user folder where the program keeps its files: the roaming
// application-data folder on Windows, $XDG_CONFIG_HOME (when absolute) or
// ~/.config on Linux, ~/Library/Application Support on macOS. Empty when
// none can be had, so that joined names stay bare file names.
QString perUserFolder();

// The folder joined with a file name (the bare name when the folder is empty).
QString perUserFile(const QString& fileName);

// Writes the whole file through a temporary file renamed over the old one,
// so a crash or a full disk never leaves a truncated file. Creates the
// folder when it is missing. Throws AppError on failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
