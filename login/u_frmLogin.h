#pragma once

#include "data/Query.h"

#include <QDialog>
#include <memory>

class TdmCon;
namespace Ui {
class TfrmLogin;
}

// The login dialog: company, user name and password; shown modally by the
// main window, it closes with success once the session is filled.
class TfrmLogin : public QDialog {
    Q_OBJECT
public:
    explicit TfrmLogin(TdmCon& dm, QWidget* parent = nullptr);
    ~TfrmLogin() override;

    // Loads the remembered company and user name, then runs the dialog.
    int ShowModal();

    void FormShow();
    void Button1Click();

    db::Query dsQorMobil;

private:
    TdmCon& dm_;
    std::unique_ptr<Ui::TfrmLogin> ui;
};

extern TfrmLogin* frmLogin;
