#include "app/ErrorBox.h"

#include "app/AppError.h"
#include "app/AppName.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace errorBox {
namespace {

void showRealBox(QWidget* owner, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

Presenter& presenter() {
    static Presenter current = showRealBox;
    return current;
}

} // namespace

void setPresenter(Presenter replacement) {
    presenter() = replacement ? std::move(replacement) : showRealBox;
}

void show(const QString& message) {
    presenter()(QApplication::activeWindow(), applicationName(), errorBoxText(message));
}

void show(const std::exception& error) {
    show(QString::fromStdString(innermostMessage(error)));
}

} // namespace errorBox

bool guarded(const std::function<void()>& handler) noexcept {
    try {
        try {
            handler();
            return true;
        } catch (const std::exception& error) {
            errorBox::show(error);
        } catch (...) {
            errorBox::show(QStringLiteral("Eroare necunoscuta"));
        }
    } catch (...) {
        // The box itself failed (out of memory, most likely): say it where we still can.
        std::fputs("wImportFactCMarvo: an error could not be shown\n", stderr);
    }
    return false;
}
