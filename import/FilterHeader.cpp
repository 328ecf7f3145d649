#include "import/FilterHeader.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>

FilterHeader::FilterHeader(QTableView* view) : QHeaderView(Qt::Horizontal, view) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(this, &QHeaderView::sectionResized, this, &FilterHeader::placeEditors);
    connect(this, &QHeaderView::sectionMoved, this, &FilterHeader::placeEditors);
    connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, &FilterHeader::placeEditors);
}

void FilterHeader::createFilters(const std::vector<QString>& names) {
    for (QLineEdit* editor : editors_)
        delete editor;
    editors_.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        auto* editor = new QLineEdit(this);
        editor->setObjectName(QStringLiteral("filter_") + names[i]);
        editor->setClearButtonEnabled(true);
        const int column = static_cast<int>(i);
        connect(editor, &QLineEdit::textChanged, this,
                [this, column](const QString& text) { Q_EMIT filterChanged(column, text); });
        editor->show();
        editors_.push_back(editor);
    }
    updateGeometries();
}

QLineEdit* FilterHeader::filterEditor(int column) const {
    return column >= 0 && column < filterCount() ? editors_[static_cast<size_t>(column)] : nullptr;
}

int FilterHeader::editorHeight() const {
    return editors_.empty() ? 0 : editors_.front()->sizeHint().height();
}

QSize FilterHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(size.height() + editorHeight());
    return size;
}

void FilterHeader::updateGeometries() {
    // The captions are painted in the viewport; the editors sit in the margin below it.
    setViewportMargins(0, 0, 0, editorHeight());
    QHeaderView::updateGeometries();
    placeEditors();
}

void FilterHeader::placeEditors() {
    const int top = QHeaderView::sizeHint().height();
    for (int i = 0; i < filterCount(); ++i) {
        QLineEdit* editor = editors_[static_cast<size_t>(i)];
        if (i >= count() || isSectionHidden(i)) {
            editor->hide();
            continue;
        }
        editor->setGeometry(sectionViewportPosition(i), top, sectionSize(i), editorHeight());
        editor->show();
    }
}
