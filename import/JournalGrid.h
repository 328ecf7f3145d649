#pragma once

#include <QTableView>
#include <QWidget>

class FilterHeader;
class GridNavigator;
class JournalModel;
struct GridStyleSheet;

namespace db {
class Query;
}

// The journal's table: Enter moves to the next cell, wrapping to the next
// row; nothing can be edited.
class JournalTableView : public QTableView {
    Q_OBJECT
public:
    explicit JournalTableView(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The journal grid: the table over the journal query with its filter row and
// row indicator, and the navigator bar below it. The grid's current row is the
// query's current row.
class JournalGrid : public QWidget {
    Q_OBJECT
public:
    explicit JournalGrid(QWidget* parent = nullptr);
    ~JournalGrid() override;

    // Shows the query's rows from now on; nullptr lets it go.
    void setQuery(db::Query* query);
    // Colours and font of the grid, from the data module's style sheet.
    void applyStyle(const GridStyleSheet& style);

    JournalTableView* view() const { return view_; }
    JournalModel* model() const { return model_; }
    FilterHeader* filterHeader() const { return header_; }
    GridNavigator* navigator() const { return navigator_; }
    int visibleRowCount() const;

private:
    void currentChanged(const QModelIndex& current);
    void restoreCurrent();

    JournalModel* model_;
    JournalTableView* view_;
    FilterHeader* header_;
    GridNavigator* navigator_;
    int currentColumn_ = 0;
};
