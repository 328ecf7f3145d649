#include "import/GridNavigator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

namespace {

QToolButton* navigatorButton(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

} // namespace

GridNavigator::GridNavigator(QWidget* parent)
    : QWidget(parent),
      first_(navigatorButton(this, "NavigatorFirst", QStringLiteral("|◀"), QStringLiteral("First record"))),
      prior_(navigatorButton(this, "NavigatorPrior", QStringLiteral("◀"), QStringLiteral("Prior record"))),
      next_(navigatorButton(this, "NavigatorNext", QStringLiteral("▶"), QStringLiteral("Next record"))),
      last_(navigatorButton(this, "NavigatorLast", QStringLiteral("▶|"), QStringLiteral("Last record"))),
      info_(new QLabel(this)) {
    info_->setObjectName(QStringLiteral("NavigatorInfo"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(1);
    for (QToolButton* button : {first_, prior_, next_, last_})
        layout->addWidget(button);
    layout->addSpacing(6);
    layout->addWidget(info_);
    layout->addStretch(1);

    connect(first_, &QToolButton::clicked, this, [this] { goTo(0); });
    connect(prior_, &QToolButton::clicked, this,
            [this] { goTo(view_ ? view_->currentIndex().row() - 1 : 0); });
    connect(next_, &QToolButton::clicked, this,
            [this] { goTo(view_ ? view_->currentIndex().row() + 1 : 0); });
    connect(last_, &QToolButton::clicked, this,
            [this] { goTo(view_ && view_->model() ? view_->model()->rowCount() - 1 : 0); });
    showPosition();
}

void GridNavigator::setView(QTableView* view) {
    view_ = view;
    QAbstractItemModel* model = view->model();
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &GridNavigator::showPosition);
    connect(model, &QAbstractItemModel::modelReset, this, &GridNavigator::showPosition);
    connect(model, &QAbstractItemModel::rowsInserted, this, &GridNavigator::showPosition);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &GridNavigator::showPosition);
    showPosition();
}

void GridNavigator::goTo(int row) {
    if (!view_ || !view_->model())
        return;
    const int rows = view_->model()->rowCount();
    if (rows == 0)
        return;
    row = std::clamp(row, 0, rows - 1);
    const int column = std::max(view_->currentIndex().column(), 0);
    const QModelIndex target = view_->model()->index(row, column);
    view_->setCurrentIndex(target);
    view_->scrollTo(target);
}

QString GridNavigator::infoText() const {
    return info_->text();
}

void GridNavigator::showPosition() {
    const int rows = view_ && view_->model() ? view_->model()->rowCount() : 0;
    const int current = rows > 0 && view_->currentIndex().isValid() ? view_->currentIndex().row() + 1 : 0;
    info_->setText(QStringLiteral("Record %1 of %2").arg(current).arg(rows));
    first_->setEnabled(current > 1);
    prior_->setEnabled(current > 1);
    next_->setEnabled(current > 0 && current < rows);
    last_->setEnabled(current > 0 && current < rows);
}
