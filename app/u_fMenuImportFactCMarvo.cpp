#include "app/u_fMenuImportFactCMarvo.h"

#include "app/ErrorBox.h"
#include "data/u_dmCon.h"
#include "ui_u_fMenuImportFactCMarvo.h"

#include <QCloseEvent>
#include <QCoreApplication>

TfMenuImportFactCMarvo* fMenuImportFactCMarvo = nullptr;

TfMenuImportFactCMarvo::TfMenuImportFactCMarvo(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TfMenuImportFactCMarvo>()) {
    ui->setupUi(this);
    connect(ui->ButtonLogin, &QPushButton::clicked, this, [this] { guarded([this] { ButtonLoginClick(); }); });
    connect(ui->ButtonImportFactC, &QPushButton::clicked, this,
            [this] { guarded([this] { ButtonImportFactCClick(); }); });
    FormCreate();
}

TfMenuImportFactCMarvo::~TfMenuImportFactCMarvo() = default;

void TfMenuImportFactCMarvo::FormCreate() { ui->PanelMenu->hide(); }

void TfMenuImportFactCMarvo::ButtonLoginClick() {
    // The login dialog serves this button.
}

void TfMenuImportFactCMarvo::ButtonImportFactCClick() {
    // The import window serves this button.
}

void TfMenuImportFactCMarvo::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever else is open.
    event->accept();
    QCoreApplication::quit();
}
