#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

// The application's error box: modal, owned by the active window, titled
// with the application name, a stop icon and one OK button.
namespace errorBox {

// Shows the box; tests replace it to read and answer the box themselves.
using Presenter = std::function<void(QWidget* owner, const QString& title, const QString& text)>;
void setPresenter(Presenter presenter); // an empty presenter restores the real box

void show(const std::exception& error);
void show(const QString& message);

} // namespace errorBox

// Every event handler runs through here: an error leaving it is shown in the
// error box and the program goes on. Returns whether the handler completed.
bool guarded(const std::function<void()>& handler) noexcept;
