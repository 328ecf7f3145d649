#include "import/NullableDateEdit.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString format = QStringLiteral("yyyy-MM-dd");

} // namespace

NullableDateEdit::NullableDateEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), calendarButton_(new QToolButton(this)) {
    edit_->setObjectName(QStringLiteral("DateText"));
    calendarButton_->setObjectName(QStringLiteral("CalendarButton"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_);
    layout->addWidget(calendarButton_);

    // Partial input is let through while typing; only a whole date is taken.
    edit_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,4}(-\\d{0,2}(-\\d{0,2})?)?")), edit_));
    edit_->setPlaceholderText(QStringLiteral("aaaa-ll-zz"));
    edit_->setClearButtonEnabled(true);
    calendarButton_->setArrowType(Qt::DownArrow);
    calendarButton_->setFocusPolicy(Qt::NoFocus);
    calendarButton_->setToolTip(QStringLiteral("Calendar"));
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);

    connect(edit_, &QLineEdit::textChanged, this, &NullableDateEdit::textChanged);
    connect(edit_, &QLineEdit::editingFinished, this,
            [this] { edit_->setText(date_.isNull() ? QString() : date_.toString(format)); });
    connect(calendarButton_, &QToolButton::clicked, this, &NullableDateEdit::showCalendar);
}

void NullableDateEdit::setDate(const QDate& date) {
    edit_->setText(date.isValid() ? date.toString(format) : QString());
    take(date.isValid() ? date : QDate());
}

void NullableDateEdit::textChanged(const QString& text) {
    if (text.isEmpty())
        return take(QDate());
    const QDate typed = QDate::fromString(text, format);
    if (typed.isValid())
        take(typed);
}

void NullableDateEdit::take(const QDate& date) {
    if (date == date_)
        return;
    date_ = date;
    Q_EMIT dateChanged(date_);
}

void NullableDateEdit::showCalendar() {
    auto* popup = new QWidget(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    auto* calendar = new QCalendarWidget(popup);
    calendar->setObjectName(QStringLiteral("Calendar"));
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(calendar);
    calendar->setSelectedDate(date_.isNull() ? QDate::currentDate() : date_);
    connect(calendar, &QCalendarWidget::clicked, popup, [this, popup](const QDate& picked) {
        setDate(picked);
        popup->close();
    });
    connect(calendar, &QCalendarWidget::activated, popup, [this, popup](const QDate& picked) {
        setDate(picked);
        popup->close();
    });
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    calendar->setFocus();
}
