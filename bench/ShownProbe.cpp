// Start-up timing for scripts/bench, linked into a program next to its own
// main(): once the first top-level window's first paint has been handled
// (its child widgets and the flush included), prints
// "shown_ns=<CLOCK_MONOTONIC in ns>" and ends the event loop. bench_launch
// compares that with the moment it created the process.
#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

class ShownProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            seen_ = true;
            // Queued: runs once the paint being delivered now, and the rest
            // of its frame, have been handled.
            QMetaObject::invokeMethod(
                this,
                [] {
                    timespec now{};
                    clock_gettime(CLOCK_MONOTONIC, &now);
                    std::printf("shown_ns=%lld\n",
                                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

// Runs inside the QApplication constructor, before main() goes on.
void installProbe() {
    qApp->installEventFilter(new ShownProbe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
