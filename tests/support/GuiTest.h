#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <ostream>

class QWidget;

// Readable QString values in gtest failure messages.
void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& texts, std::ostream* out);

// Types text into a widget key by key, as a user would (any Unicode text).
void typeText(QWidget* widget, const QString& text);

// Takes the desktop's "open" requests for files, in place of the default viewer:
// QDesktopServices::setUrlHandler("file", &requests, "open").
class OpenRequests : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};
