// Renders the program's windows offscreen into PNG files:
//   wimport_screenshots <output folder>
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"
#include "login/u_frmLogin.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
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

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    createApplicationObjects();
    bool ok = save(fMenuImportFactCMarvo, folder, "main-window.png");
    frmLogin->findChild<QLineEdit*>("Edit1")->setText("DEMO");
    frmLogin->findChild<QLineEdit*>("Edit2")->setText("ion.popescu");
    frmLogin->findChild<QLineEdit*>("Edit3")->setText("parola");
    ok = save(frmLogin, folder, "login-dialog.png") && ok;
    destroyApplicationObjects();
    return ok ? 0 : 1;
}
