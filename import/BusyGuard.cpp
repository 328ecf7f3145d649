#include "import/BusyGuard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

namespace {

constexpr qint64 paintIntervalMs = 25;

// Installed on the application while busy: drops every user input event.
class InputBlocker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::NonClientAreaMouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::NativeGesture:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->accept();
            return true;
        case QEvent::Close:
            // A window's close button. Qt delivers a top-level close() through the
            // window system too, so no close is told apart: none happens while busy.
            event->ignore();
            return true;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

int depth = 0;
InputBlocker* blocker = nullptr;
QElapsedTimer sinceLastPaint;

} // namespace

BusyGuard::BusyGuard() {
    if (depth++ > 0)
        return;
    blocker = new InputBlocker;
    qApp->installEventFilter(blocker);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sinceLastPaint.start();
}

BusyGuard::~BusyGuard() {
    if (--depth > 0)
        return;
    // Clicks and keys queued while the work blocked are dropped here, so none
    // of them acts (a second import, say) once the work is over.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(blocker);
    delete blocker;
    blocker = nullptr;
}

bool BusyGuard::active() {
    return depth > 0;
}

void BusyGuard::keepPainting() {
    if (depth == 0 || sinceLastPaint.elapsed() < paintIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceLastPaint.restart();
}
