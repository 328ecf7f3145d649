#include "tests/support/GuiTest.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (const QString& text : texts)
        *out << ' ' << '"' << text.toStdString() << '"';
    *out << " }";
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}
