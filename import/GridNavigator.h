#pragma once

#include <QWidget>

class QLabel;
class QTableView;
class QToolButton;

// The bar under the journal grid: first, previous, next and last row, and an
// information panel "Record <current> of <rows>" over the rows shown.
class GridNavigator : public QWidget {
    Q_OBJECT
public:
    explicit GridNavigator(QWidget* parent = nullptr);

    // The view must have its model set; the bar follows its current row.
    void setView(QTableView* view);

    QString infoText() const;

private:
    void goTo(int row);
    void showPosition();

    QTableView* view_ = nullptr;
    QToolButton* first_;
    QToolButton* prior_;
    QToolButton* next_;
    QToolButton* last_;
    QLabel* info_;
};
