// The journal listing over every row of log_samo_factc, then the client
// filter typed key by key, timed.
//
//   bench_journal --mode program|baseline --port P --password X [--rows N] [--filter ardel]
//
// program:  "Cauta" in the import window (emptied start date) until the grid
//           holds every row and its view has painted; the resident memory
//           it took; then each key of the filter typed into the client
//           column's filter editor until the view has painted again.
// baseline: the same SQL with the same date on one bare libpq session,
//           fetching every row; then, per key, a case-insensitive substring
//           scan over the client values, prepared once.
#include "app/ErrorBox.h"
#include "bench/BenchSupport.h"
#include "data/NamedParams.h"
#include "data/QueryCatalogue.h"
#include "data/u_dmCon.h"
#include "import/JournalGrid.h"
#include "import/JournalModel.h"
#include "import/NullableDateEdit.h"
#include "import/u_fImportFactCIMarvo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <iostream>
#include <stdexcept>

namespace {

using bench::Clock;

// Notes the first paint of a widget after expect(), delivered while `ready`
// held; the paint itself is over once the event loop call that delivered it
// returns.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }

    void expect(std::function<bool()> ready) {
        ready_ = std::move(ready);
        painted_ = false;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && ready_ && ready_())
            painted_ = true;
        return QObject::eventFilter(watched, event);
    }

    // Runs the event loop until that paint has been delivered.
    void wait() {
        QElapsedTimer limit;
        limit.start();
        while (!painted_) {
            if (limit.elapsed() > 60000)
                throw std::runtime_error("the view did not paint");
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }

private:
    std::function<bool()> ready_;
    bool painted_ = false;
};

// Lets queued work (deferred layouts, paints of other widgets) run out.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void runProgram(const bench::Database& database, int rows, const QString& filter, bench::Report& report) {
    TdmCon dm;
    database.pointAt(dm.conQor);
    dmCon = &dm;
    TfImportFactCIMarvo window(dm);
    QString error;
    errorBox::setPresenter([&error](QWidget*, const QString&, const QString& text) { error = text; });
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the import window was not shown");
    window.findChild<NullableDateEdit*>("cxDateEditDataIncep")->clear();
    // The login has left a session in the pool by the time the user lists.
    db::Query warm(db::QueryDef{"warm", "select 1", {}}, dm.conQor);
    warm.execute();
    settle();

    JournalGrid* grid = window.findChild<JournalGrid*>("cxGrid1");
    PaintWatch watch(grid->view()->viewport());
    const std::int64_t residentBefore = bench::residentBytes();
    const std::int64_t heapBefore = bench::heapInUseBytes();
    watch.expect([&] { return grid->model()->rowCount() == rows; });
    const Clock::time_point start = Clock::now();
    window.findChild<QPushButton*>("ButtonCauta")->click();
    if (window.dsLogSamoFactc.rowCount() != rows)
        throw std::runtime_error("expected " + std::to_string(rows) + " rows, the listing holds " +
                                 std::to_string(window.dsLogSamoFactc.rowCount()) + error.toStdString());
    watch.wait();
    const double listing = bench::secondsSince(start);
    const std::int64_t residentAfter = bench::residentBytes();
    const std::int64_t heapAfter = bench::heapInUseBytes();
    if (!error.isEmpty())
        throw std::runtime_error("the listing failed: " + error.toStdString());

    report.add("listing_s", listing);
    report.add("rows", std::int64_t{grid->model()->rowCount()});
    report.add("raw_bytes", bench::rawBytes(window.dsLogSamoFactc.result().get()));
    report.add("rss_growth_bytes", residentAfter - residentBefore);
    report.add("heap_growth_bytes", heapAfter - heapBefore);

    QLineEdit* editor = window.findChild<QLineEdit*>("filter_client");
    editor->setFocus();
    settle();
    for (qsizetype k = 0; k < filter.size(); ++k) {
        watch.expect([] { return true; });
        const Clock::time_point keyStart = Clock::now();
        QTest::keyClick(editor, filter.at(k).toLatin1());
        watch.wait();
        const std::string n = std::to_string(k + 1);
        report.add("key" + n + "_ms", bench::secondsSince(keyStart) * 1000);
        report.add("key" + n + "_rows", std::int64_t{grid->model()->rowCount()});
    }
    if (editor->text() != filter)
        throw std::runtime_error("the filter editor holds '" + editor->text().toStdString() + "'");
    errorBox::setPresenter({});
    dmCon = nullptr;
}

void runBaseline(const bench::Database& database, int rows, const QString& filter, bench::Report& report) {
    const std::string sql = db::toPositional(db::catalogueQuery("dsLogSamoFactc").sql).text;
    // An emptied start date stands for its null date.
    const std::string from = NullableDateEdit::nullDate().toString(Qt::ISODate).toStdString();
    const db::SessionPtr session = database.connect();
    bench::run(session.get(), "select 1");

    const std::int64_t residentBefore = bench::residentBytes();
    const Clock::time_point start = Clock::now();
    const db::ResultPtr result = bench::run(session.get(), sql, {from.c_str()});
    const double listing = bench::secondsSince(start);
    const std::int64_t residentAfter = bench::residentBytes();
    if (PQntuples(result.get()) != rows)
        throw std::runtime_error("expected " + std::to_string(rows) + " rows, got " +
                                 std::to_string(PQntuples(result.get())));
    report.add("listing_s", listing);
    report.add("rows", std::int64_t{PQntuples(result.get())});
    report.add("raw_bytes", bench::rawBytes(result.get()));
    report.add("rss_growth_bytes", residentAfter - residentBefore);

    const int clientColumn = PQfnumber(result.get(), "client");
    std::vector<QString> clients;
    clients.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        clients.push_back(QString::fromUtf8(PQgetvalue(result.get(), r, clientColumn),
                                            PQgetlength(result.get(), r, clientColumn)));
    for (qsizetype k = 0; k < filter.size(); ++k) {
        const QString needle = filter.left(k + 1);
        const Clock::time_point keyStart = Clock::now();
        std::int64_t matching = 0;
        for (const QString& client : clients)
            if (client.contains(needle, Qt::CaseInsensitive))
                ++matching;
        const std::string n = std::to_string(k + 1);
        report.add("key" + n + "_ms", bench::secondsSince(keyStart) * 1000);
        report.add("key" + n + "_rows", matching);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bench::Options options(argc, argv);
    const std::string mode = options.text("mode");
    const int rows = options.integer("rows", 100000);
    const QString filter = QString::fromStdString(options.text("filter", "ardel"));
    const bench::Database database(options);
    try {
        bench::Report report;
        report.add("mode", mode);
        if (mode == "program")
            runProgram(database, rows, filter, report);
        else if (mode == "baseline")
            runBaseline(database, rows, filter, report);
        else
            bench::Options::fail("--mode program|baseline");
        report.print();
    } catch (const std::exception& e) {
        std::cerr << "bench_journal: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
