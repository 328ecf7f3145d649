#include "import/JournalGrid.h"

#include "data/GridStyleSheet.h"
#include "data/Query.h"
#include "import/FilterHeader.h"
#include "import/GridNavigator.h"
#include "import/JournalColumns.h"
#include "import/JournalModel.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int indicatorWidth = 12;

// The row indicator column: narrow, marking the current row with a triangle.
class RowIndicator : public QHeaderView {
public:
    explicit RowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
        setSectionsClickable(false);
        setHighlightSections(false);
        setSectionResizeMode(QHeaderView::Fixed);
    }

    QSize sizeHint() const override { return {indicatorWidth, QHeaderView::sizeHint().height()}; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        if (!selectionModel() || selectionModel()->currentIndex().row() != logicalIndex)
            return;
        painter->save();
        // The section painting leaves a clip behind that hides what follows.
        painter->setClipRect(rect);
        painter->setRenderHint(QPainter::Antialiasing);
        const QPointF c = QRectF(rect).center();
        QPainterPath triangle;
        triangle.moveTo(c.x() - 2.5, c.y() - 4.5);
        triangle.lineTo(c.x() + 2.5, c.y());
        triangle.lineTo(c.x() - 2.5, c.y() + 4.5);
        triangle.closeSubpath();
        painter->fillPath(triangle, Qt::black);
        painter->restore();
    }
};

QString styleSheetFor(const GridStyleSheet& s) {
    return QStringLiteral(
               "QTableView { background-color: %1; color: %2; gridline-color: #A0A0A0;"
               " selection-background-color: %3; selection-color: %4; }"
               "QTableView::item { background-color: %5; color: %2; border: none; }"
               "QTableView::item:alternate { background-color: %6; }"
               "QTableView::item:selected:active { background-color: %3; color: %4; }"
               "QTableView::item:selected:!active { background-color: %7; color: %2; }"
               "QTableView::item:focus { border: 1px dotted %2; }"
               "QHeaderView { background-color: %1; }"
               "QHeaderView::section:horizontal { background-color: %8; color: %9; font-weight: bold;"
               " border: none; border-right: 1px solid #A0A0A0; border-bottom: 1px solid #A0A0A0;"
               " padding: 1px 3px; }"
               "QHeaderView::section:vertical { background-color: %10; border: none;"
               " border-bottom: 1px solid #A0A0A0; border-right: 1px solid #A0A0A0; }"
               "QTableView QTableCornerButton::section { background-color: %8; border: none; }"
               "FilterHeader QLineEdit { background-color: %11; color: %2; border: none;"
               " border-right: 1px solid #A0A0A0; border-bottom: 1px solid #A0A0A0; }"
               "GridNavigator { background-color: %1; }")
        .arg(QLatin1String(s.background), QLatin1String(s.text), QLatin1String(s.selection),
             QLatin1String(s.selectionText), QLatin1String(s.evenRow), QLatin1String(s.oddRow),
             QLatin1String(s.inactiveSelection), QLatin1String(s.header), QLatin1String(s.headerText))
        .arg(QLatin1String(s.rowIndicator), QLatin1String(s.filterBox));
}

} // namespace

JournalTableView::JournalTableView(QWidget* parent) : QTableView(parent) {}

void JournalTableView::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || !model() || event->modifiers() & ~Qt::KeypadModifier)
        return QTableView::keyPressEvent(event);
    const QModelIndex current = currentIndex();
    if (current.isValid()) {
        int row = current.row();
        int column = current.column() + 1;
        if (column >= model()->columnCount()) {
            column = 0;
            ++row;
        }
        if (row < model()->rowCount()) {
            const QModelIndex next = model()->index(row, column);
            setCurrentIndex(next);
            scrollTo(next);
        }
    }
    event->accept();
}

JournalGrid::JournalGrid(QWidget* parent)
    : QWidget(parent), model_(new JournalModel(journalColumns(), this)), view_(new JournalTableView(this)),
      header_(new FilterHeader(view_)), navigator_(new GridNavigator(this)) {
    view_->setObjectName(QStringLiteral("cxGrid1DBTableView1"));
    view_->setHorizontalHeader(header_);
    view_->setVerticalHeader(new RowIndicator(view_));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setAlternatingRowColors(true);
    view_->setWordWrap(false);
    view_->setTextElideMode(Qt::ElideRight);
    view_->setCornerButtonEnabled(false);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    const std::vector<JournalColumn>& columns = model_->columns();
    std::vector<QString> names;
    for (size_t c = 0; c < columns.size(); ++c) {
        view_->setColumnWidth(static_cast<int>(c), columns[c].width);
        names.push_back(QString::fromStdString(columns[c].field));
    }
    header_->setStretchLastSection(false);
    header_->createFilters(names);
    connect(header_, &FilterHeader::filterChanged, model_, &JournalModel::setFilter);

    navigator_->setObjectName(QStringLiteral("cxGrid1Navigator"));
    navigator_->setView(view_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_, 1);
    layout->addWidget(navigator_);

    setFocusProxy(view_);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &JournalGrid::currentChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, &JournalGrid::restoreCurrent);
}

JournalGrid::~JournalGrid() {
    // The model goes later, with the other children: it must not call back here.
    disconnect(model_, nullptr, this, nullptr);
}

void JournalGrid::setQuery(db::Query* query) {
    model_->setQuery(query);
}

int JournalGrid::visibleRowCount() const {
    return model_->rowCount();
}

void JournalGrid::applyStyle(const GridStyleSheet& style) {
    QFont font;
    // "MS Sans Serif" exists on Windows only; the others stand in for it elsewhere.
    font.setFamilies({QString::fromLatin1(style.fontFamily), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(style.fontPointSize);
    setFont(font);
    setStyleSheet(styleSheetFor(style));
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
}

void JournalGrid::currentChanged(const QModelIndex& current) {
    db::Query* query = model_->query();
    if (!current.isValid() || !query || !query->isOpen())
        return;
    currentColumn_ = current.column();
    const int row = model_->queryRow(current.row());
    if (row >= 0)
        query->setCurrentRow(row);
}

void JournalGrid::restoreCurrent() {
    // After new rows or a new filter: stay on the query's current row when it is
    // still shown, else go to the first row shown.
    const int rows = model_->rowCount();
    if (rows == 0)
        return;
    db::Query* query = model_->query();
    int row = query ? model_->visibleRow(query->currentRow()) : -1;
    if (row < 0)
        row = 0;
    const QModelIndex target = model_->index(row, std::min(currentColumn_, model_->columnCount() - 1));
    view_->setCurrentIndex(target);
    view_->scrollTo(target);
}
