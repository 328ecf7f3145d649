// A whole session on the demo's setup: the demo's seed files on the test
// run's TLS cluster and the demo's SAMO scenario, the five objects created as
// start-up creates them, and every step driven through the widgets offscreen.
#include "app/AppName.h"
#include "app/ErrorBox.h"
#include "app/Startup.h"
#include "app/u_fMenuImportFactCMarvo.h"
#include "data/u_dmCon.h"
#include "import/JournalGrid.h"
#include "import/JournalModel.h"
#include "import/u_fImportFactCIMarvo.h"
#include "login/u_frmLogin.h"
#include "samo/u_fProc_Samo.h"
#include "tests/support/GuiTest.h"
#include "tests/support/PgFixture.h"

#include "DemoScenario.h"
#include "SamoServer.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const PgFixture& pg() {
    return PgFixture::get();
}

template <class T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(name);
    if (!found)
        ADD_FAILURE() << "no widget " << name;
    return found;
}

int count(const std::string& sql) {
    return std::stoi(pg().scalar(pg().tlsPort, "qor_demo", sql));
}

TEST(EndToEnd, DemoSession) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    setApplicationPathOverride("/usr/bin/wImportFactCMarvo");
    QStringList boxes;
    errorBox::setPresenter([&](QWidget*, const QString&, const QString& text) { boxes << text; });
    OpenRequests opened;
    QDesktopServices::setUrlHandler("file", &opened, "open");

    samotest::SamoServer samo;
    const samotest::Scenario scenario = samotest::demoScenario();
    samo.setScenario(scenario);
    samo.start();

    QProcess seed;
    seed.setProcessChannelMode(QProcess::MergedChannels);
    seed.start(QString::fromStdString(sourcePath("scripts/demo-data/seed")),
               {QString::fromStdString(pg().root + "/tls"), QString::number(pg().tlsPort),
                QString::fromStdString(pg().qorPassword), QString::fromStdString(samo.baseUrl())});
    ASSERT_TRUE(seed.waitForFinished(60000));
    ASSERT_EQ(seed.exitCode(), 0) << seed.readAll().toStdString();
    const int olderRecent =
        count("select count(*) from log_samo_factc where json_factc_date >= current_date - 30");

    createApplicationObjects();
    // What the demo gives as build-time settings: the cluster and its password.
    dmCon->conQorMob.setServer("127.0.0.1");
    dmCon->conQorMob.setPort(pg().tlsPort);
    dmCon->conQorMob.setPassword(pg().qorPassword);
    dmCon->conQor.setPassword(pg().qorPassword);
    fMenuImportFactCMarvo->show();

    // Login with the credentials the demo prints.
    QTimer::singleShot(0, frmLogin, [] {
        typeText(child<QLineEdit>(frmLogin, "Edit1"), "DEMO");
        typeText(child<QLineEdit>(frmLogin, "Edit2"), "ion.popescu");
        typeText(child<QLineEdit>(frmLogin, "Edit3"), "demo1234");
        QTest::keyClick(child<QLineEdit>(frmLogin, "Edit3"), Qt::Key_Return);
        if (frmLogin->isVisible())
            frmLogin->reject();
    });
    QTest::mouseClick(child<QPushButton>(fMenuImportFactCMarvo, "ButtonLogin"), Qt::LeftButton);
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    EXPECT_EQ(child<QLabel>(fMenuImportFactCMarvo, "LabelDataBase")->text(), "qor_demo");
    EXPECT_EQ(child<QLabel>(fMenuImportFactCMarvo, "LabelUser")->text(), "User ion.popescu");

    // The import window, listing, import.
    QTest::mouseClick(child<QPushButton>(fMenuImportFactCMarvo, "ButtonImportFactC"), Qt::LeftButton);
    ASSERT_TRUE(fImportFactCIMarvo->isVisible());
    JournalGrid* grid = child<JournalGrid>(fImportFactCIMarvo, "cxGrid1");
    QTest::mouseClick(child<QPushButton>(fImportFactCIMarvo, "ButtonCauta"), Qt::LeftButton);
    EXPECT_EQ(grid->visibleRowCount(), olderRecent);

    QTest::mouseClick(child<QPushButton>(fImportFactCIMarvo, "Button1"), Qt::LeftButton);
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    const int fresh = (scenario.pages - 1) * 10 + scenario.lastPageItems;
    EXPECT_EQ(count("select count(*) from log_samo_factc where id like 'SAMO-%' and err_ins_qor is null"),
              fresh);
    QStringList expectedLines;
    for (int page = 1; page <= scenario.pages + 1; ++page)
        expectedLines << QString("pagina=%1").arg(page);
    EXPECT_EQ(child<QPlainTextEdit>(fImportFactCIMarvo, "Memo1")->toPlainText().split('\n'), expectedLines);
    EXPECT_EQ(grid->visibleRowCount(), olderRecent + fresh);

    // A filter on the client column, then the first visible transaction as JSON.
    QLineEdit* clientFilter = child<QLineEdit>(fImportFactCIMarvo, "filter_client");
    QTest::keyClicks(clientFilter, "SRL");
    const int filtered = grid->visibleRowCount();
    EXPECT_GT(filtered, 0);
    EXPECT_LT(filtered, olderRecent + fresh);
    const int clientColumn = 3;
    for (int row = 0; row < filtered; ++row)
        ASSERT_TRUE(
            grid->model()->index(row, clientColumn).data().toString().contains("srl", Qt::CaseInsensitive));
    grid->view()->setCurrentIndex(grid->model()->index(0, 0));
    const QString id = grid->model()->index(0, 0).data().toString();
    QTest::mouseClick(child<QPushButton>(fImportFactCIMarvo, "ButtonVeziJson"), Qt::LeftButton);
    ASSERT_TRUE(boxes.isEmpty()) << boxes.join("|").toStdString();
    ASSERT_EQ(opened.urls.size(), 1);
    const QString path = opened.urls[0].toLocalFile();
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(home.path()).absolutePath());
    const std::string date =
        pg().scalar(pg().tlsPort, "qor_demo",
                    "select json_factc_date from log_samo_factc where id = '" + id.toStdString() + "'");
    const std::string number =
        pg().scalar(pg().tlsPort, "qor_demo",
                    "select json_factc_nr from log_samo_factc where id = '" + id.toStdString() + "'");
    EXPECT_EQ(QFileInfo(path).fileName().toStdString(), date + "_id_" + number + ".json");
    QFile exported(path);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const std::string json =
        pg().scalar(pg().tlsPort, "qor_demo",
                    "select json_factc from log_samo_factc where id = '" + id.toStdString() + "'");
    EXPECT_EQ(exported.readAll().toStdString(), "\xEF\xBB\xBF" + json + "\r\n");

    destroyApplicationObjects();
    QDesktopServices::unsetUrlHandler("file");
    errorBox::setPresenter({});
    setApplicationPathOverride({});
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
