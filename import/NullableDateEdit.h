#pragma once

#include <QDate>
#include <QWidget>

class QLineEdit;
class QToolButton;

// A date editor that the user may also empty: a yyyy-mm-dd text with a
// calendar pop-up. Text that is not a whole, real date is not taken: the
// editor keeps its last date and shows it again when editing ends.
class NullableDateEdit : public QWidget {
    Q_OBJECT
public:
    explicit NullableDateEdit(QWidget* parent = nullptr);

    // The date shown; a null QDate when the editor is empty.
    QDate date() const { return date_; }
    void setDate(const QDate& date); // a null or invalid date empties the editor
    void clear() { setDate(QDate()); }
    bool isEmpty() const { return date_.isNull(); }

    // What an emptied editor stands for in a date range: 0001-01-01, long
    // before any real date.
    static QDate nullDate() { return QDate(1, 1, 1); }
    QDate dateOrNullDate() const { return isEmpty() ? nullDate() : date_; }

    QLineEdit* lineEdit() const { return edit_; }

Q_SIGNALS:
    void dateChanged(const QDate& date);

private:
    void textChanged(const QString& text);
    void showCalendar();
    void take(const QDate& date);

    QLineEdit* edit_;
    QToolButton* calendarButton_;
    QDate date_;
};
