// Renders the program's windows offscreen into PNG files, during a session on
// the demo data (scripts/screenshots brings the setup up):
//   wimport_screenshots <output folder> <directory port> <qor password>
#include "app/AppName.h"
#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"
#include "import/JournalGrid.h"
#include "import/JournalModel.h"
#include "import/u_fImportFactCIMarvo.h"
#include "login/u_frmLogin.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

bool save(QWidget* window, const QString& folder, const QString& name) {
    window->show();
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name);
    const bool ok = window->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

template <class T> T* child(QWidget* window, const char* name) { return window->findChild<T*>(name); }

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: wimport_screenshots <output folder> <directory port> <qor password>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QStringList errors;
    errorBox::setPresenter([&](QWidget*, const QString&, const QString& text) { errors << text; });
    setApplicationPathOverride("wImportFactCMarvo"); // logs in as the program itself
    createApplicationObjects();
    dmCon->conQorMob.setServer("127.0.0.1");
    dmCon->conQorMob.setPort(QString::fromLocal8Bit(argv[2]).toInt());
    dmCon->conQorMob.setPassword(argv[3]);
    dmCon->conQor.setPassword(argv[3]);

    bool ok = true;
    QTimer::singleShot(0, frmLogin, [&] {
        child<QLineEdit>(frmLogin, "Edit1")->setText("DEMO");
        child<QLineEdit>(frmLogin, "Edit2")->setText("ion.popescu");
        child<QLineEdit>(frmLogin, "Edit3")->setText("demo1234");
        ok = save(frmLogin, folder, "login-dialog.png") && ok;
        child<QPushButton>(frmLogin, "Button1")->click();
        if (frmLogin->isVisible())
            frmLogin->reject();
    });
    child<QPushButton>(fMenuImportFactCMarvo, "ButtonLogin")->click();
    ok = save(fMenuImportFactCMarvo, folder, "menu.png") && ok;

    child<QPushButton>(fMenuImportFactCMarvo, "ButtonImportFactC")->click();
    child<QPushButton>(fImportFactCIMarvo, "ButtonCauta")->click();
    child<QPushButton>(fImportFactCIMarvo, "Button1")->click();
    QTest::keyClicks(child<QLineEdit>(fImportFactCIMarvo, "filter_client"), "srl");
    JournalGrid* grid = child<JournalGrid>(fImportFactCIMarvo, "cxGrid1");
    grid->view()->setCurrentIndex(grid->model()->index(2, 3));
    ok = save(fImportFactCIMarvo, folder, "import-window.png") && ok;

    destroyApplicationObjects();
    for (const QString& error : errors)
        std::fprintf(stderr, "error box: %s\n", qPrintable(error));
    return ok && errors.isEmpty() ? 0 : 1;
}
