// How long the journal grid takes per filter keystroke over 100,000 rows.
// Not a CTest test: run it while the test clusters are up, e.g.
//   ctest -R pg_fixture_start && tests/import/bench_journal_filter; ctest -R pg_fixture_stop
#include "data/u_dmCon.h"
#include "import/JournalGrid.h"
#include "import/NullableDateEdit.h"
#include "import/u_fImportFactCIMarvo.h"
#include "tests/support/PgFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <iostream>

namespace {

constexpr int rows = 100000;

double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

TEST(JournalFilterBenchmark, KeystrokesOver100kRows) {
    const PgFixture& pg = PgFixture::get();
    pg.resetData();
    pg.exec(
        pg.tlsPort, "qor1",
        "insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr) "
        "select 'B-' || lpad(g::text, 9, '0'), json_build_object('id', g, 'clientData', json_build_object("
        "'client', (array['Ștefănescu Țesături SRL', 'Brânzeturi Ardelenești SA', 'Mobila Făgăraș SRL', "
        "'Lactate Bucovina SRL', 'Transilvania Tours SA'])[1 + g % 5] || ' ' || g, "
        "'cui', 'RO' || (1000000 + g)))::text, current_date - (g % 365), 'FC ' || g "
        "from generate_series(1, " +
            std::to_string(rows) + ") g");

    TdmCon dm;
    dm.conQor.setServer("127.0.0.1");
    dm.conQor.setPort(pg.tlsPort);
    dm.conQor.setPassword(pg.qorPassword);
    dm.conQor.setSslMode(db::SslMode::Prefer);
    TfImportFactCIMarvo window(dm);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.findChild<NullableDateEdit*>("cxDateEditDataIncep")->clear();

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(window.findChild<QPushButton*>("ButtonCauta"), Qt::LeftButton);
    QApplication::processEvents();
    std::cout << "listing of " << rows << " rows (query, model, paint): " << msSince(timer) << " ms\n";
    JournalGrid* grid = window.findChild<JournalGrid*>("cxGrid1");
    ASSERT_EQ(grid->visibleRowCount(), rows);

    auto keystroke = [&](const char* field, const QString& text) {
        QLineEdit* editor = window.findChild<QLineEdit*>(QString("filter_") + field);
        editor->setFocus();
        timer.restart();
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Backspace);
        else
            QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, text, Qt::NoModifier);
        QApplication::processEvents();
        std::cout << "  " << field << " \"" << editor->text().toStdString() << "\": " << msSince(timer)
                  << " ms, " << grid->visibleRowCount() << " rows shown\n";
    };
    std::cout << "keystrokes (filter, repaint):\n";
    keystroke("client", "ș"); // first filter on the column builds its folded texts
    keystroke("client", "t");
    keystroke("client", "e");
    keystroke("client", ""); // a shorter text filters all rows again
    keystroke("cui", "9");   // a second column, ANDed
    keystroke("cui", "9");
    keystroke("cui", "");
    keystroke("cui", "");
    keystroke("client", "");
    keystroke("client", "");
    EXPECT_EQ(grid->visibleRowCount(), rows);
    pg.resetData();
}

} // namespace
