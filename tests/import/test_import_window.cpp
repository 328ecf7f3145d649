// The import and journal window against the test run's PostgreSQL and our SAMO
// test server, driven through its widgets offscreen.
#include "app/ErrorBox.h"
#include "data/u_dmCon.h"
#include "import/BusyGuard.h"
#include "import/FilterHeader.h"
#include "import/JournalColumns.h"
#include "import/JournalGrid.h"
#include "import/NullableDateEdit.h"
#include "import/u_fImportFactCIMarvo.h"
#include "samo/u_fProc_Samo.h"
#include "tests/support/GuiTest.h"
#include "tests/support/PgFixture.h"

#include "SamoServer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const PgFixture& pg() {
    return PgFixture::get();
}

const QString cautaFirst = "Apasati butonul \"Cauta\" si dupa reluati importul.";
const QString noRows = "Nu aveti inregistrari.";

std::string day(int offset) {
    return "current_date + " + std::to_string(offset);
}

// A journal row; a date of "null" leaves it without date.
struct JournalRow {
    std::string id;
    std::string date = day(0);
    std::string number = "FC 1";
    std::string client = "Client SRL";
    std::string cui = "RO1";
    std::string json = {}; // empty: a one-line object naming the client and cui
};

JournalRow row(std::string id, std::string date = day(0), std::string number = "FC 1") {
    return JournalRow{std::move(id), std::move(date), std::move(number)};
}
JournalRow clientRow(std::string id, std::string client, std::string cui) {
    JournalRow r = row(std::move(id));
    r.client = std::move(client);
    r.cui = std::move(cui);
    return r;
}
JournalRow jsonRow(std::string id, std::string number, std::string json) {
    JournalRow r = row(std::move(id), "date '2026-03-04'", std::move(number));
    r.json = std::move(json);
    return r;
}

void seed(const std::vector<JournalRow>& rows) {
    for (const JournalRow& r : rows) {
        const std::string json = !r.json.empty()
                                     ? r.json
                                     : "{\"id\": \"" + r.id + "\", \"clientData\": {\"client\": \"" +
                                           r.client + "\", \"cui\": \"" + r.cui + "\"}}";
        pg().exec(pg().tlsPort, "qor1",
                  "insert into log_samo_factc (id, json_factc, json_factc_date, json_factc_nr, data_log) "
                  "values ($q$" +
                      r.id + "$q$, $q$" + json + "$q$, " + r.date + ", $q$" + r.number +
                      "$q$, '2026-05-11 10:20:30.654321')");
    }
}

int columnOf(const std::string& field) {
    const auto& columns = journalColumns();
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].field == field)
            return static_cast<int>(c);
    return -1;
}

class ImportWindow : public ::testing::Test {
protected:
    void SetUp() override {
        pg().resetData();
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        dmCon = new TdmCon;
        dmCon->conQor.setServer("127.0.0.1");
        dmCon->conQor.setPort(pg().tlsPort);
        dmCon->conQor.setPassword(pg().qorPassword);
        dmCon->conQor.setSslMode(db::SslMode::Prefer);
        window = new TfImportFactCIMarvo(*dmCon);
        fImportFactCIMarvo = window;
        errorBox::setPresenter([this](QWidget*, const QString&, const QString& text) { boxes << text; });
        QDesktopServices::setUrlHandler("file", &opened, "open");
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        errorBox::setPresenter({});
        fProc_Samo = nullptr;
        fImportFactCIMarvo = nullptr;
        delete window;
        delete dmCon;
        dmCon = nullptr;
        qunsetenv("XDG_CONFIG_HOME");
    }

    template <class T> T* find(const QString& name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    void click(const QString& button) { QTest::mouseClick(find<QAbstractButton>(button), Qt::LeftButton); }
    JournalGrid* grid() { return find<JournalGrid>("cxGrid1"); }
    QTableView* view() { return grid()->view(); }
    QLineEdit* filter(const std::string& field) {
        return find<QLineEdit>(QString::fromStdString("filter_" + field));
    }
    NullableDateEdit* startDate() { return find<NullableDateEdit>("cxDateEditDataIncep"); }
    QString navigatorText() { return find<QLabel>("NavigatorInfo")->text(); }
    QStringList memoLines() {
        const QString text = find<QPlainTextEdit>("Memo1")->toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }
    QStringList shown(const std::string& field) {
        QStringList texts;
        const QAbstractItemModel* model = view()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            texts << model->index(r, columnOf(field)).data().toString();
        return texts;
    }
    // As the user does it: all text selected and replaced.
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        for (const QChar c : text) {
            // keyClicks knows ASCII keys only; a letter such as "ș" comes as text.
            if (c.unicode() < 128)
                QTest::keyClick(edit, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void clickRow(int row) {
        const QRect cell = view()->visualRect(view()->model()->index(row, 0));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    QString exported(const QString& name) const { return QDir(home.path()).filePath(name); }

    QTemporaryDir home;
    TfImportFactCIMarvo* window = nullptr;
    QStringList boxes;
    OpenRequests opened;
};

TEST_F(ImportWindow, ShowsItsControlsWithTheirCaptionsSizesAndAnchors) {
    EXPECT_EQ(window->windowTitle(), "fImportFactCIMarvo");
    EXPECT_EQ(window->size(), QSize(943, 707));
    EXPECT_EQ(window->font().family(), "Segoe UI");
    EXPECT_EQ(window->font().pointSize(), 9);

    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "Import tranzactii cu facturi clienti (API SAMO)"},
        {"Label2", "Incepand cu data"},
        {"Label3", "Jurnal preluare"},
        {"ButtonCauta", "Cauta"},
        {"Button1", "Import tranzactii"},
        {"ButtonVeziJson", "Vezi Json factura"},
        {"Button2", "Clear Memo"},
    };
    for (const auto& [name, caption] : captions) {
        QWidget* w = find<QWidget>(name);
        const QString text = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text()
                                                      : qobject_cast<QAbstractButton*>(w)->text();
        EXPECT_EQ(text, caption) << name;
    }
    auto* title = find<QLabel>("Label1");
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->font().pointSize(), 12);
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor("navy"));
    auto* group = find<QGroupBox>("GroupBox1");
    EXPECT_EQ(group->title(), "Vizualizare tranzactii preluate");
    EXPECT_TRUE(group->font().bold());
    EXPECT_FALSE(find<QLabel>("Label2")->font().bold()) << "only the caption is bold";
    for (const char* name : {"Label2", "cxDateEditDataIncep", "ButtonCauta"})
        EXPECT_EQ(find<QWidget>(name)->parentWidget(), group) << name;

    auto* import = find<QPushButton>("Button1");
    auto* json = find<QPushButton>("ButtonVeziJson");
    EXPECT_EQ(import->size(), QSize(107, 25));
    EXPECT_EQ(json->size(), QSize(107, 25));
    EXPECT_GT(import->x(), group->geometry().right());
    EXPECT_GT(json->x(), import->geometry().right());

    EXPECT_EQ(startDate()->date(), QDate::currentDate().addDays(-30));
    auto* memo = find<QPlainTextEdit>("Memo1");
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // The grid takes the extra room; the memo keeps its height at the bottom,
    // Label3 and Button2 stay bottom-left above it.
    const QRect gridBefore = grid()->geometry();
    const int memoHeight = memo->height();
    const int memoGap = window->height() - memo->geometry().bottom();
    const int label3Left = find<QLabel>("Label3")->x();
    window->resize(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(grid()->width(), gridBefore.width() + 257);
    EXPECT_EQ(grid()->height(), gridBefore.height() + 193);
    EXPECT_EQ(memo->height(), memoHeight);
    EXPECT_EQ(memo->width(), window->width() - 2 * memo->x());
    EXPECT_EQ(window->height() - memo->geometry().bottom(), memoGap);
    EXPECT_EQ(find<QLabel>("Label3")->x(), label3Left);
    EXPECT_LT(find<QPushButton>("Button2")->x(), 200);
    EXPECT_LT(find<QPushButton>("Button2")->geometry().bottom(), memo->y());
}

TEST_F(ImportWindow, GridHasTheJournalColumnsFilterRowIndicatorAndNavigator) {
    const std::pair<const char*, int> columns[] = {
        {"idTranzactie", 83}, {"json_factc_date", 99}, {"json_factc_nr", 90}, {"json_client", 152},
        {"json_cui", 78},     {"err_ins_qor", 278},    {"data_log", 114},
    };
    QHeaderView* header = view()->horizontalHeader();
    ASSERT_EQ(header->count(), 7);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(view()->model()->headerData(c, Qt::Horizontal).toString(), columns[c].first);
        EXPECT_EQ(header->sectionSize(c), columns[c].second) << columns[c].first;
    }
    EXPECT_EQ(view()->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_LE(view()->verticalHeader()->width(), 16) << "a narrow row indicator";
    EXPECT_EQ(navigatorText(), "Record 0 of 0");

    // Each filter editor lies under its column, below the captions, also when
    // a column is resized or the grid scrolls sideways.
    auto aligned = [&] {
        for (int c = 0; c < 7; ++c) {
            const QLineEdit* editor = qobject_cast<FilterHeader*>(header)->filterEditor(c);
            EXPECT_EQ(editor->x(), header->sectionViewportPosition(c)) << c;
            EXPECT_EQ(editor->width(), header->sectionSize(c)) << c;
            EXPECT_GE(editor->y(), header->height() - editor->height() - 1) << c;
            EXPECT_LE(editor->geometry().bottom(), header->height()) << c;
        }
    };
    aligned();
    header->resizeSection(1, 150);
    aligned();
    window->resize(500, 707);
    QApplication::processEvents();
    view()->horizontalScrollBar()->setValue(120);
    aligned();
}

TEST_F(ImportWindow, CautaListsFromTheStartDateUpToTodayInDescendingIdOrder) {
    JournalRow alfa = row("T-9", day(-10), "FC 9");
    alfa.client = "Alfa SRL";
    alfa.cui = "RO9";
    seed({row("T-10", day(-40)), alfa, row("T-100", day(0)), row("T-2", day(1)), row("T-3", "null")});
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    click("ButtonCauta");
    EXPECT_EQ(shown("id"), (QStringList{"T-9", "T-100"}));
    EXPECT_EQ(navigatorText(), "Record 1 of 2");

    const QStringList firstRow = {"T-9",
                                  QDate::currentDate().addDays(-10).toString("yyyy-MM-dd"),
                                  "FC 9",
                                  "Alfa SRL",
                                  "RO9",
                                  "",
                                  "2026-05-11 10:20:30"};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(view()->model()->index(0, c).data().toString(), firstRow[c]) << c;

    const struct {
        const char* typed; // start date as typed; "" empties the editor
        QStringList ids;
    } cases[] = {
        {"2099-01-01", {}},
        {"", {"T-9", "T-100", "T-10"}},
        {"", {"T-9", "T-100", "T-10"}}, // an open listing is refreshed
    };
    for (const auto& c : cases) {
        typeInto(startDate()->lineEdit(), c.typed);
        click("ButtonCauta");
        EXPECT_EQ(shown("id"), c.ids) << c.typed;
    }
    EXPECT_EQ(today, shown("json_factc_date").value(1));
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('|').toStdString();
}

TEST_F(ImportWindow, FilterRowNarrowsAtEachKeystrokeIgnoringCase) {
    seed({clientRow("F-1", "SC Mărțișor Călătorii SRL", "RO14563219"),
          clientRow("F-2", "ȘTEFĂNESCU ȚESĂTURI SRL", "RO200"),
          clientRow("F-3", "Transilvania Tours SA", "RO27800"), clientRow("F-4", "Alfa srl", "RO14999")});
    click("ButtonCauta");
    ASSERT_EQ(shown("id").size(), 4);

    const struct {
        const char* field;
        QString typed;
        QStringList ids; // all filters typed so far apply
    } steps[] = {
        {"client", "SRL", {"F-4", "F-2", "F-1"}},
        {"client", "srl", {"F-4", "F-2", "F-1"}},
        {"client", "ștef", {"F-2"}}, // diacritics fold case too
        {"client", "ĂRȚ", {"F-1"}},
        {"client", "s", {"F-4", "F-3", "F-2", "F-1"}},
        {"cui", "ro14", {"F-4", "F-1"}}, // both filters must match
        {"client", "sc", {"F-1"}},
        {"cui", "", {"F-2", "F-1"}}, // cleared
        {"json_factc_nr", "fc", {"F-2", "F-1"}},
        {"client", "", {"F-4", "F-3", "F-2", "F-1"}},
    };
    for (const auto& step : steps) {
        typeInto(filter(step.field), step.typed);
        EXPECT_EQ(shown("id"), step.ids) << step.field << " " << step.typed.toStdString();
    }
    // Keystroke by keystroke: "x" matches nothing, the backspace brings all back.
    QTest::keyClicks(filter("client"), "x");
    EXPECT_EQ(navigatorText(), "Record 0 of 0");
    click("ButtonVeziJson");
    EXPECT_EQ(boxes, QStringList{noRows}) << "nothing shown, nothing to export";
    QTest::keyClick(filter("client"), Qt::Key_Backspace);
    EXPECT_TRUE(navigatorText().endsWith(" of 4")) << navigatorText().toStdString();

    // The filter stays over a refresh; the grid's current row is the query's.
    typeInto(filter("cui"), "RO14");
    click("ButtonCauta");
    EXPECT_EQ(shown("id"), (QStringList{"F-4", "F-1"}));
    clickRow(1);
    EXPECT_EQ(window->dsLogSamoFactc.text("id"), "F-1");
    EXPECT_EQ(navigatorText(), "Record 2 of 2");
}

TEST_F(ImportWindow, NavigatorAndEnterMoveTheCurrentRow) {
    seed({row("N-1"), row("N-2"), row("N-3")});
    click("ButtonCauta");
    const struct {
        const char* button;
        QString info;
        QString id;
    } steps[] = {
        {"NavigatorLast", "Record 3 of 3", "N-1"},  {"NavigatorPrior", "Record 2 of 3", "N-2"},
        {"NavigatorFirst", "Record 1 of 3", "N-3"}, {"NavigatorNext", "Record 2 of 3", "N-2"},
        {"NavigatorNext", "Record 3 of 3", "N-1"},  {"NavigatorNext", "Record 3 of 3", "N-1"},
    };
    for (const auto& step : steps) {
        click(step.button);
        EXPECT_EQ(navigatorText(), step.info) << step.button;
        EXPECT_EQ(window->dsLogSamoFactc.text("id"), step.id) << step.button;
    }

    view()->setFocus();
    view()->setCurrentIndex(view()->model()->index(0, 5));
    const std::pair<int, int> cells[] = {{0, 6}, {1, 0}, {1, 1}};
    for (const auto& [row, column] : cells) {
        QTest::keyClick(view(), Qt::Key_Return);
        EXPECT_EQ(view()->currentIndex().row(), row);
        EXPECT_EQ(view()->currentIndex().column(), column);
    }
    EXPECT_EQ(window->dsLogSamoFactc.text("id"), "N-2");
    EXPECT_EQ(view()->model()->flags(view()->currentIndex()) & Qt::ItemIsEditable, Qt::NoItemFlags);
}

TEST_F(ImportWindow, VeziJsonWritesTheTransactionAndAsksTheDesktopToOpenIt) {
    const std::string json = "{\n  \"id\": \"E-1\",\r\n  \"clientData\": {\"client\": \"Mărțișor Șincai\", "
                             "\"cui\": \"RO1\"}\n}";
    seed({jsonRow("E-1", "FC/2026:01*?<x>|\"\\", json), jsonRow("E-2", "FC 7", "{\"v\": 1}"),
          jsonRow("E-3", "FC 7", "{\"v\": 2}")});
    typeInto(startDate()->lineEdit(), "");
    click("ButtonCauta");
    ASSERT_EQ(shown("id"), (QStringList{"E-3", "E-2", "E-1"}));

    clickRow(2);
    click("ButtonVeziJson");
    const QString first = exported("2026-03-04_id_FC_2026_01___x____.json");
    QFile file(first);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << first.toStdString();
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF") + QByteArray::fromStdString(json) + "\r\n");
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(first)});
    EXPECT_FALSE(window->dsLogSamoFactcUnu.isOpen());

    // Same date and number: the later export replaces the earlier file.
    const QString same = exported("2026-03-04_id_FC 7.json");
    for (int row : {1, 0}) {
        clickRow(row);
        click("ButtonVeziJson");
    }
    QFile replaced(same);
    ASSERT_TRUE(replaced.open(QIODevice::ReadOnly));
    EXPECT_EQ(replaced.readAll(), QByteArray("\xEF\xBB\xBF{\"v\": 2}\r\n"));
    EXPECT_EQ(opened.urls.size(), 3);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files).size(), 2) << "no temporary file left";
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('|').toStdString();
}

TEST_F(ImportWindow, VeziJsonThatCannotWriteOpensNothing) {
    seed({row("W-1", "date '2026-03-04'")});
    typeInto(startDate()->lineEdit(), "");
    click("ButtonCauta");
    const QString path = exported("2026-03-04_id_FC 1.json");
    const struct {
        const char* what;
        std::function<bool()> block; // false: the case cannot be set up here
    } cases[] = {
        {"a read-only file",
         [&] {
             QFile(path).open(QIODevice::WriteOnly);
             QFile::setPermissions(path, QFile::ReadOwner);
             return geteuid() != 0; // root writes read-only files anyway
         }},
        {"a folder in the file's place", [&] { return QDir().mkpath(path); }},
    };
    for (const auto& c : cases) {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(path);
        QDir(path).removeRecursively();
        if (!c.block())
            continue;
        boxes.clear();
        click("ButtonVeziJson");
        EXPECT_EQ(boxes.size(), 1) << c.what;
        EXPECT_TRUE(boxes.value(0).startsWith("Nu se poate scrie fisierul")) << boxes.value(0).toStdString();
        EXPECT_TRUE(opened.urls.isEmpty()) << c.what;
        EXPECT_FALSE(window->dsLogSamoFactcUnu.isOpen()) << c.what;
    }
}

TEST_F(ImportWindow, VeziJsonOnAClosedOrEmptyListingSaysThereAreNoRows) {
    click("ButtonVeziJson"); // before any "Cauta"
    typeInto(startDate()->lineEdit(), "2099-01-01");
    click("ButtonCauta");
    click("ButtonVeziJson");
    EXPECT_EQ(boxes, (QStringList{noRows, noRows}));
    EXPECT_TRUE(opened.urls.isEmpty());
    EXPECT_TRUE(QDir(home.path()).isEmpty());
}

TEST_F(ImportWindow, ClearMemoEmptiesItAndClosingOnlyHides) {
    QTest::keyClicks(find<QPlainTextEdit>("Memo1"), "typed");
    window->appendJournalLine("pagina=1");
    EXPECT_EQ(memoLines(), (QStringList{"typed", "pagina=1"}));
    seed({row("C-1")});
    click("ButtonCauta");
    startDate()->setDate(QDate(2026, 1, 2));

    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    window->show();
    EXPECT_EQ(memoLines(), (QStringList{"typed", "pagina=1"}));
    EXPECT_EQ(startDate()->date(), QDate(2026, 1, 2));
    EXPECT_EQ(shown("id"), QStringList{"C-1"});

    click("Button2");
    EXPECT_TRUE(memoLines().isEmpty());
}

// With our SAMO server behind config_samo and the SAMO client in place.
class ImportWindowWithSamo : public ImportWindow {
protected:
    void SetUp() override {
        ImportWindow::SetUp();
        scenario.pages = 2;
        scenario.lastPageItems = 3;
        server.setScenario(scenario);
        server.start();
        pg().exec(pg().tlsPort, "qor1",
                  "insert into config_samo values ('" + server.baseUrl() + "', 'u', 'p')");
        samo = std::make_unique<TfProc_Samo>(dmCon->conQor);
        fProc_Samo = samo.get();
    }
    void TearDown() override {
        fProc_Samo = nullptr;
        samo.reset();
        ImportWindow::TearDown();
    }
    int listRequests() {
        int n = 0;
        for (const auto& r : server.requests())
            n += r.target.find("GetAgencyInvoices") != std::string::npos;
        return n;
    }
    int storedRows() {
        return std::stoi(pg().scalar(pg().tlsPort, "qor1", "select count(*) from log_samo_factc"));
    }

    samotest::Scenario scenario;
    samotest::SamoServer server;
    std::unique_ptr<TfProc_Samo> samo;
};

TEST_F(ImportWindowWithSamo, ImportBeforeCautaAsksForCautaAndSendsNothing) {
    click("Button1");
    EXPECT_EQ(boxes, QStringList{cautaFirst});
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(memoLines().isEmpty());
}

TEST_F(ImportWindowWithSamo, ImportWritesEachPageToTheMemoAndRefreshesTheGrid) {
    click("ButtonCauta");
    EXPECT_EQ(navigatorText(), "Record 0 of 0");

    // While the second page is slow to come, the window repaints, shows a wait
    // cursor and takes no clicks: neither a second import nor "Clear Memo".
    samotest::Reply slow;
    slow.body = samotest::SamoServer::pageJson(scenario, 2);
    slow.delayMs = 400;
    scenario.pageReplies[2] = slow;
    server.setScenario(scenario);
    bool busy = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    QStringList linesMeanwhile;
    QTimer::singleShot(200, [&] {
        busy = BusyGuard::active();
        cursor = QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        linesMeanwhile = memoLines();
        click("Button1");
        click("Button2");
        QTest::keyClicks(find<QPlainTextEdit>("Memo1"), "x");
    });
    click("Button1");
    EXPECT_TRUE(busy);
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(linesMeanwhile, (QStringList{"pagina=1", "pagina=2"}));
    EXPECT_FALSE(BusyGuard::active());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_TRUE(boxes.isEmpty()) << boxes.join('|').toStdString();
    EXPECT_EQ(memoLines(), (QStringList{"pagina=1", "pagina=2", "pagina=3"}));
    EXPECT_EQ(listRequests(), 3) << "one import only";
    EXPECT_EQ(shown("id").size(), 13);
    EXPECT_EQ(navigatorText(), "Record 1 of 13");
}

TEST_F(ImportWindowWithSamo, FailingPageKeepsEarlierPagesAndMemoLinesWithoutRefresh) {
    window->appendJournalLine("earlier");
    click("ButtonCauta");
    samotest::Reply failing;
    failing.status = 500;
    scenario.pageReplies[2] = failing;
    server.setScenario(scenario);
    click("Button1");
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("500")) << boxes[0].toStdString();
    EXPECT_EQ(memoLines(), (QStringList{"earlier", "pagina=1", "pagina=2"}));
    EXPECT_EQ(storedRows(), 10);
    EXPECT_EQ(shown("id").size(), 0) << "no refresh after a failed import";
    EXPECT_FALSE(BusyGuard::active());

    click("ButtonCauta");
    EXPECT_EQ(shown("id").size(), 10);
}

} // namespace
