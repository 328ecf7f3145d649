#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool started = guarded([] {
        createApplicationObjects();
        fMenuImportFactCMarvo->show();
    });
    const int exitCode = started ? QApplication::exec() : 1;
    destroyApplicationObjects();
    return exitCode;
}
