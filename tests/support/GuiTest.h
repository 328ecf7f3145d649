#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

class QWidget;

// Readable QString values in gtest failure messages.
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& texts, std::ostream* out);

// Types text into a widget key by key, as a user would (any Unicode text).
void typeText(QWidget* widget, const QString& text);
