#include "app/u_fMenuImportFactCMarvo.h"

#include "app/ErrorBox.h"
#include "data/u_dmCon.h"
#include "import/u_fImportFactCIMarvo.h"
#include "login/u_frmLogin.h"
#include "ui_u_fMenuImportFactCMarvo.h"

#include <QCloseEvent>
#include <QCoreApplication>

TfMenuImportFactCMarvo* fMenuImportFactCMarvo = nullptr;

TfMenuImportFactCMarvo::TfMenuImportFactCMarvo(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TfMenuImportFactCMarvo>()) {
    ui->setupUi(this);
    connect(ui->ButtonLogin, &QPushButton::clicked, this,
            [this] { guarded([this] { ButtonLoginClick(); }); });
    connect(ui->ButtonImportFactC, &QPushButton::clicked, this,
            [this] { guarded([this] { ButtonImportFactCClick(); }); });
    FormCreate();
}

TfMenuImportFactCMarvo::~TfMenuImportFactCMarvo() = default;

void TfMenuImportFactCMarvo::FormCreate() {
    ui->PanelMenu->hide();
}

void TfMenuImportFactCMarvo::ButtonLoginClick() {
    if (!frmLogin || frmLogin->ShowModal() != QDialog::Accepted)
        return; // closed without logging in
    ui->PanelLogin->hide();
    ui->PanelMenu->show();
    ui->LabelDataBase->setText(dmCon->glDataBase);
    ui->LabelUser->setText(QStringLiteral("User ") + dmCon->glUser);
}

void TfMenuImportFactCMarvo::ButtonImportFactCClick() {
    if (!fImportFactCIMarvo)
        return;
    fImportFactCIMarvo->show();
    fImportFactCIMarvo->raise();
    fImportFactCIMarvo->activateWindow();
}

void TfMenuImportFactCMarvo::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever else is open.
    event->accept();
    QCoreApplication::quit();
}
