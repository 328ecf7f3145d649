#include "import/JournalModel.h"

#include "data/Query.h"

#include <algorithm>

JournalModel::JournalModel(std::vector<JournalColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), resultColumns_(columns_.size(), -1),
      filterTexts_(columns_.size()), needles_(columns_.size()), folded_(columns_.size()) {}

JournalModel::~JournalModel() {
    if (query_)
        query_->unsubscribe(subscription_);
}

void JournalModel::setQuery(db::Query* query) {
    if (query_)
        query_->unsubscribe(subscription_);
    query_ = query;
    if (query_)
        subscription_ = query_->subscribe([this] { rowsChanged(); });
    rowsChanged();
}

void JournalModel::rowsChanged() {
    beginResetModel();
    for (size_t c = 0; c < columns_.size(); ++c) {
        resultColumns_[c] = query_ ? query_->column(columns_[c].field) : -1;
        folded_[c] = FoldedColumn{};
    }
    recomputeVisible(-1);
    endResetModel();
}

int JournalModel::queryRowCount() const {
    return query_ ? query_->rowCount() : 0;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return filtered_ ? static_cast<int>(visible_.size()) : queryRowCount();
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int JournalModel::queryRow(int visibleRow) const {
    if (visibleRow < 0 || visibleRow >= rowCount())
        return -1;
    return filtered_ ? visible_[visibleRow] : visibleRow;
}

int JournalModel::visibleRow(int queryRow) const {
    if (queryRow < 0 || queryRow >= queryRowCount())
        return -1;
    if (!filtered_)
        return queryRow;
    const auto found = std::lower_bound(visible_.begin(), visible_.end(), queryRow);
    return found != visible_.end() && *found == queryRow ? static_cast<int>(found - visible_.begin()) : -1;
}

QString JournalModel::cellText(int queryRow, int column) const {
    const int resultColumn = resultColumns_[column];
    if (resultColumn < 0)
        return {};
    return displayText(query_->raw(queryRow, resultColumn), query_->isNull(queryRow, resultColumn),
                       columns_[column].format);
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const int row = queryRow(index.row());
    if (row < 0)
        return {};
    return cellText(row, index.column());
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The vertical header is the row indicator: it draws the current row, no text.
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return columns_[section].caption;
    return {};
}

Qt::ItemFlags JournalModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

const JournalModel::FoldedColumn& JournalModel::folded(int column) {
    FoldedColumn& f = folded_[column];
    if (f.built)
        return f;
    // Built once per result, for a column only when it is first filtered on.
    const int rows = queryRowCount();
    f.starts.reserve(static_cast<size_t>(rows) + 1);
    for (int r = 0; r < rows; ++r) {
        f.starts.push_back(f.text.size());
        f.text += cellText(r, column).toCaseFolded();
    }
    f.starts.push_back(f.text.size());
    f.text.squeeze();
    f.built = true;
    return f;
}

bool JournalModel::matches(int queryRow, int column) {
    const FoldedColumn& f = folded(column);
    const qsizetype start = f.starts[static_cast<size_t>(queryRow)];
    const qsizetype length = f.starts[static_cast<size_t>(queryRow) + 1] - start;
    return QStringView(f.text).sliced(start, length).contains(needles_[column]);
}

void JournalModel::setFilter(int column, const QString& text) {
    if (column < 0 || column >= columnCount() || filterTexts_[column] == text)
        return;
    const QString needle = text.toCaseFolded();
    // A longer text in one column can only drop rows from those shown now.
    const bool narrows = needle.startsWith(needles_[column]);
    filterTexts_[column] = text;
    needles_[column] = needle;
    beginResetModel();
    recomputeVisible(narrows ? column : -1);
    endResetModel();
}

void JournalModel::recomputeVisible(int narrowedColumn) {
    std::vector<int> active;
    for (int c = 0; c < columnCount(); ++c)
        if (!needles_[c].isEmpty())
            active.push_back(c);
    if (active.empty() || !query_) {
        filtered_ = false;
        visible_ = {};
        return;
    }
    std::vector<int> shown;
    if (narrowedColumn >= 0 && filtered_) {
        for (const int row : visible_)
            if (matches(row, narrowedColumn))
                shown.push_back(row);
    } else {
        const int rows = queryRowCount();
        for (int row = 0; row < rows; ++row) {
            if (std::all_of(active.begin(), active.end(), [&](int c) { return matches(row, c); }))
                shown.push_back(row);
        }
    }
    visible_ = std::move(shown);
    filtered_ = true;
}
