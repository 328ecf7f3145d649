#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TfMenuImportFactCMarvo;
}

// The main window: a Login button until the login succeeds, then the menu
// naming the company database and the user.
class TfMenuImportFactCMarvo : public QWidget {
    Q_OBJECT
public:
    explicit TfMenuImportFactCMarvo(QWidget* parent = nullptr);
    ~TfMenuImportFactCMarvo() override;

    void ButtonLoginClick();
    void ButtonImportFactCClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();

    std::unique_ptr<Ui::TfMenuImportFactCMarvo> ui;
};

extern TfMenuImportFactCMarvo* fMenuImportFactCMarvo;
