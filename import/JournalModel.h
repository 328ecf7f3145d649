#pragma once

#include "import/JournalColumns.h"

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace db {
class Query;
}

// The journal grid's rows: a table over the current result of a query, read
// on demand from the query's raw values, narrowed by one "contains" filter per
// column (case-insensitive, all non-empty filters must match). Read-only.
class JournalModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit JournalModel(std::vector<JournalColumn> columns, QObject* parent = nullptr);
    ~JournalModel() override;

    // Follows the query's rows from now on; nullptr lets it go.
    void setQuery(db::Query* query);
    db::Query* query() const { return query_; }

    const std::vector<JournalColumn>& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void setFilter(int column, const QString& text);
    QString filter(int column) const { return filterTexts_.at(column); }

    // Rows of the query behind the model: all of them, and the mapping
    // between a visible row and the query's row (-1 when there is none).
    int queryRowCount() const;
    int queryRow(int visibleRow) const;
    int visibleRow(int queryRow) const;

private:
    // One column's displayed texts, case-folded, end to end in one string.
    struct FoldedColumn {
        bool built = false;
        QString text;
        std::vector<qsizetype> starts; // row r is text[starts[r], starts[r + 1])
    };

    void rowsChanged();
    QString cellText(int queryRow, int column) const;
    const FoldedColumn& folded(int column);
    bool matches(int queryRow, int column);
    void recomputeVisible(int narrowedColumn);

    std::vector<JournalColumn> columns_;
    db::Query* query_ = nullptr;
    int subscription_ = 0;
    std::vector<int> resultColumns_; // result column per grid column, -1 when absent
    std::vector<QString> filterTexts_;
    std::vector<QString> needles_; // case-folded filter texts
    std::vector<FoldedColumn> folded_;
    bool filtered_ = false;    // false: every query row is visible, in order
    std::vector<int> visible_; // query rows shown, when filtered_
};
