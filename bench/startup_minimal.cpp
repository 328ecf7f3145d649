// The floor of a Qt Widgets start-up: one empty window, shown. Timed by
// ShownProbe.cpp up to its first paint.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.show();
    return QApplication::exec();
}
