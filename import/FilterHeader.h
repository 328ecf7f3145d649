#pragma once

#include <QHeaderView>
#include <vector>

class QLineEdit;
class QTableView;

// A horizontal header with a filter row under the column captions: one line
// editor per section, kept aligned with its section when columns are resized
// or the view scrolls sideways. The header grows by the editors' height and
// keeps that band clear of its own painting.
class FilterHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit FilterHeader(QTableView* view);

    // One editor per column; named "filter_" + the column's field.
    void createFilters(const std::vector<QString>& names);
    QLineEdit* filterEditor(int column) const;
    int filterCount() const { return static_cast<int>(editors_.size()); }

    QSize sizeHint() const override;

Q_SIGNALS:
    void filterChanged(int column, const QString& text);

protected:
    void updateGeometries() override;

private:
    void placeEditors();
    int editorHeight() const;

    std::vector<QLineEdit*> editors_;
};
