#include "login/u_frmLogin.h"

#include "app/ErrorBox.h"
#include "data/QueryCatalogue.h"
#include "data/u_dmCon.h"
#include "login/LoginSequence.h"
#include "login/RememberedLogin.h"
#include "ui_u_frmLogin.h"

#include <QApplication>

TfrmLogin* frmLogin = nullptr;

namespace {

// The dialog does not answer while the queries run; the cursor says so.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TfrmLogin::TfrmLogin(TdmCon& dm, QWidget* parent)
    : QDialog(parent), dsQorMobil(db::catalogueQuery("dsQorMobil"), dm.conQorMob), dm_(dm),
      ui(std::make_unique<Ui::TfrmLogin>()) {
    ui->setupUi(this);
    connect(ui->Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
}

TfrmLogin::~TfrmLogin() = default;

int TfrmLogin::ShowModal() {
    guarded([this] { FormShow(); });
    ui->Edit3->setFocus();
    return exec();
}

void TfrmLogin::FormShow() {
    ui->Edit1->clear();
    ui->Edit2->clear();
    const std::optional<RememberedLogin> remembered = loadRememberedLogin(rememberedLoginPath());
    if (remembered) {
        ui->Edit1->setText(remembered->company);
        ui->Edit2->setText(remembered->username);
    }
}

void TfrmLogin::Button1Click() {
    storeRememberedLogin(rememberedLoginPath(), {ui->Edit1->text(), ui->Edit2->text()});
    {
        WaitCursor busy;
        runLoginSequence(dm_, dsQorMobil, {ui->Edit1->text(), ui->Edit2->text(), ui->Edit3->text()});
    }
    ui->Edit3->clear();
    accept();
}
